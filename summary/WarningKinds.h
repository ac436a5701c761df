#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/OutputSink.h"

// The kinds of the converter's warnings, each known by how its line begins, and the count of each
// kind in a run's diagnostics: for the outputs that show them (the workbook's Summary sheet, the
// fleet table).
namespace drovane {

struct WarningKind {
    std::string_view key;        // the name in a table or a dict
    std::string_view lineStart;  // how its line begins
    std::string_view label;      // the name a reader of a sheet sees
};
inline constexpr std::array<WarningKind, 4> kWarningKinds{{
    {"unfinished_packets", "*** WARNING: writing out unfinished packet", "Unfinished packets"},
    {"bad_packets", "*** WARNING: skipped bad packet, writing out unfinished packet", "Bad packets"},
    {"skipped_packets", "*** WARNING: skipping data packet, ", "Skipped packets"},
    {"out_of_range", "*** WARNING: bad data, field out of range, ", "Fields out of range"},
}};
// Warnings of a kind not listed above; its count comes last.
inline constexpr WarningKind kOtherWarnings{"other_warnings", "*** WARNING: ", "Other warnings"};
// No kind's line begins with another's, so each line has one kind.
static_assert([] {
    for (const WarningKind& a : kWarningKinds) {
        for (const WarningKind& b : kWarningKinds) {
            if (a.key != b.key && a.lineStart.starts_with(b.lineStart)) return false;
        }
        if (!a.lineStart.starts_with(kOtherWarnings.lineStart)) return false;
    }
    return true;
}());

// The count of each kind in the order of kWarningKinds, then the other warnings.
using WarningCounts = std::array<std::int64_t, kWarningKinds.size() + 1>;

// The kind of a warning line (its place in WarningCounts), or -1 for a line that is no warning.
int WarningKindOf(std::string_view line);

// Passes the diagnostics on to `next` unchanged and counts their warnings by kind.
class WarningTally final : public OutputSink {
public:
    explicit WarningTally(OutputSink& next) : next_(next) {}
    bool Write(const char* data, std::size_t size) override;
    int ErrorNumber() const override { return next_.ErrorNumber(); }
    const WarningCounts& Counts() const { return counts_; }

private:
    static constexpr std::size_t kLongestStart = 80;  // of a line, enough to tell its kind
    OutputSink& next_;
    WarningCounts counts_{};
    std::string line_;  // the start of the line so far
};

}  // namespace drovane
