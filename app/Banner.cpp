#include "app/Banner.h"

#include <string_view>

namespace drovane {

// The version number comes from the build (the project's version).
static_assert(std::string_view(kVersion).ends_with(" " DROVANE_VERSION), "banner and build disagree on the version");

void PrintBanner(TextBuffer& diagnostics) {
    diagnostics.Append("Velmor Drovane Raw Format Data Converter\n");
    diagnostics.Append("version ");
    diagnostics.Append(kVersion);
    diagnostics.Append("  (build " __DATE__ ")\n");
    diagnostics.Append("by the drovane2csv developers\n");
    diagnostics.Append("converts raw CAN logs into CSV spreadsheets\n\n");
}

void PrintVersion(TextBuffer& out) { out.Append("drovane2csv " DROVANE_VERSION "\n"); }

}  // namespace drovane
