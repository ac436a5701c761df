#include "app/Banner.h"

namespace drovane {

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
