#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "core/RunOptions.h"
#include "python/FrameColumns.h"

namespace drovane::python {

// What converting one log gave: its columns, its warnings and how it ended, as the converter's
// exit status and messages tell it.
struct ConvertedLog {
    static constexpr int kConverted = 0;
    static constexpr int kNothingToConvert = 1;
    static constexpr int kFailed = 255;

    FrameColumns columns;
    std::vector<std::string> warnings;  // the converter's warning lines, in order, without line ends
    int status = kConverted;
    int errorNumber = 0;  // of a failure: the system's error number
    // The converter's line that says why it failed or found nothing to convert; empty after rows.
    std::string message;
};

// Converts the raw log `path` with `options` on up to `threads` threads, as drovane2csv does
// (a regular file of 1 MiB or more without --hold on several, anything else on one); the rows go
// to columns instead of a CSV. `path` may name anything that can be read, a pipe too.
ConvertedLog ConvertLogFile(const std::string& path, const RunOptions& options, unsigned threads);

// The same for a log held in memory, which the messages name `name`.
ConvertedLog ConvertLogBytes(std::string_view bytes, std::string_view name, const RunOptions& options,
                             unsigned threads);

}  // namespace drovane::python
