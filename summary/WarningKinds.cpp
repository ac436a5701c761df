#include "summary/WarningKinds.h"

namespace drovane {

static_assert(kWarningKinds.size() < 64);

int WarningKindOf(std::string_view line) {
    if (!line.starts_with(kOtherWarnings.lineStart)) return -1;
    for (std::size_t kind = 0; kind < kWarningKinds.size(); ++kind) {
        if (line.starts_with(kWarningKinds[kind].lineStart)) return static_cast<int>(kind);
    }
    return static_cast<int>(kWarningKinds.size());
}

bool WarningTally::Write(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            if (int kind = WarningKindOf(line_); kind >= 0) ++counts_[static_cast<std::size_t>(kind)];
            line_.clear();
        } else if (line_.size() < kLongestStart) {
            line_.push_back(data[i]);
        }
    }
    return next_.Write(data, size);
}

}  // namespace drovane
