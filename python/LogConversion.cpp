#include "python/LogConversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "app/FileRandomAccess.h"
#include "convert/Conversion.h"
#include "convert/parallel/ParallelConversion.h"
#include "core/FileByteSource.h"
#include "core/MemoryStreams.h"
#include "core/TextBuffer.h"
#include "platform/FileStatus.h"
#include "python/SinkThread.h"

namespace drovane::python {
namespace {

constexpr std::string_view kWarning = "*** WARNING: ";
// A drive's rows take about this many bytes of raw log each; the columns make room for that many
// rows at once.
constexpr std::uint64_t kLogBytesPerRow = 200;

// Keeps the diagnostics of a conversion line by line: the warnings apart, the rest as the message.
class DiagnosticLines final : public OutputSink {
public:
    explicit DiagnosticLines(ConvertedLog& log) : log_(log) {}

    bool Write(const char* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] != '\n') {
                line_ += data[i];
                continue;
            }
            if (line_.starts_with(kWarning)) {
                log_.warnings.push_back(std::move(line_));
            } else if (!line_.empty()) {
                log_.message += log_.message.empty() ? line_ : "\n" + line_;
            }
            line_.clear();
        }
        return true;
    }
    int ErrorNumber() const override { return 0; }

private:
    ConvertedLog& log_;
    std::string line_;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// One conversion of one log into columns.
class LogConverter {
public:
    LogConverter(const RunOptions& options, std::uint64_t size)
        : options_(options),
          rows_(static_cast<std::size_t>(size / kLogBytesPerRow) + 1),
          parsing_(rows_),
          lines_(log_),
          csv_(parsing_),
          diagnostics_(lines_),
          conversion_(options, csv_, diagnostics_) {}

    // Converts `sequential`, or `random` (of `size` bytes) on `threads` threads where the
    // converter would; the log named `name` in the messages.
    ConvertedLog Run(ByteSource& sequential, RandomAccessInput* random, std::uint64_t size, unsigned threads,
                     std::string_view name) {
        int readError = 0;
        bool tooShort = false;
        std::int64_t rows = 0;
        if (random != nullptr && threads > 1 && size >= ChunkPlan::kParallelFrom && !options_.holdValues) {
            ParallelConversion parallel(options_, *random, size, csv_, diagnostics_, {.threads = threads});
            parallel.Run();
            readError = parallel.ReadErrorNumber();
            tooShort = parallel.InputTooShort();
            rows = parallel.RowsWritten();
        } else {
            parsing_.Start();
            conversion_.Run(sequential);
            readError = sequential.ErrorNumber();
            tooShort = conversion_.InputTooShort();
            rows = conversion_.Writer().RowsWritten();
        }
        csv_.Flush();
        parsing_.Drain();
        if (readError == 0 && rows == 0) {
            if (!tooShort) {
                diagnostics_.Append("*** ERROR: no data packets found in input file ");
                diagnostics_.Append(name);
                diagnostics_.Put('\n');
            }
            log_.status = ConvertedLog::kNothingToConvert;
        }
        diagnostics_.Flush();
        log_.columns = rows_.Take();
        if (readError != 0) return Fail("*** FAIL: reading input file ", name, readError);
        return std::move(log_);
    }

    // The log could not be opened or read: the converter's line after any other, the system's
    // error.
    ConvertedLog Fail(std::string_view what, std::string_view name, int errorNumber) {
        log_.status = ConvertedLog::kFailed;
        log_.errorNumber = errorNumber;
        diagnostics_.Append(what);
        diagnostics_.Append(name);
        diagnostics_.Append(": ");
        diagnostics_.Append(std::strerror(errorNumber));
        diagnostics_.Put('\n');
        diagnostics_.Flush();
        return std::move(log_);
    }

private:
    RunOptions options_;
    ConvertedLog log_;
    FrameColumnSink rows_;
    SinkThread parsing_;  // the rows' text into rows_, beside a conversion on one thread
    DiagnosticLines lines_;
    TextBuffer csv_;
    TextBuffer diagnostics_;
    Conversion conversion_;
};

}  // namespace

ConvertedLog ConvertLogFile(const std::string& path, const RunOptions& options, unsigned threads) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    int error = errno;
    // A folder can never be read, whether the system opens it or not.
    std::optional<platform::FileStatus> status = file ? platform::StatusOf(file.get()) : std::nullopt;
    if (status && status->kind == platform::FileKind::Directory) {
        file.reset();
        error = EISDIR;
    }
    const bool regular = status && status->kind == platform::FileKind::Regular;
    const std::uint64_t size = regular ? status->size : 0;
    LogConverter converter(options, size);
    if (!file) return converter.Fail("*** FAIL: opening input file ", path, error);
    // The conversion reads in large blocks of its own.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    FileByteSource sequential(file.get());
    std::optional<FileRandomAccess> random;
    if (regular) random.emplace(file.get());
    return converter.Run(sequential, random ? &*random : nullptr, size, threads, path);
}

ConvertedLog ConvertLogBytes(std::string_view bytes, std::string_view name, const RunOptions& options,
                             unsigned threads) {
    LogConverter converter(options, bytes.size());
    MemoryByteSource sequential(bytes);
    MemoryRandomAccessInput random(bytes);
    return converter.Run(sequential, &random, bytes.size(), threads, name);
}

}  // namespace drovane::python
