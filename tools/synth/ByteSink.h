#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/output/OutputFile.h"

namespace drovane::synth {

// Where synthesized bytes go: a file for the tool, memory for tests.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    void Write(std::string_view text) {
        Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    virtual void Flush() {}
};

// Writes to a file in large blocks, so that a log of gigabytes streams at disc speed with a
// few megabytes of memory. The file appears under its name only at Commit(); a sink destroyed
// before that leaves the name as it was. Throws tools::OutputError (tools::OutputExists when the
// name holds a file and `existing` refuses it). A log is bytes; a CSV is text, whose lines end as
// the system's text files do.
class FileSink final : public ByteSink {
public:
    FileSink(const std::string& path, tools::ExistingFile existing,
             platform::FileContent content = platform::FileContent::Bytes);

    using ByteSink::Write;
    void Write(std::span<const std::uint8_t> bytes) override;
    // Writes out the buffer; errors surface here rather than in the destructor.
    void Flush() override;
    // Flushes, closes and gives the file its name.
    void Commit();
    bool ToStandardOutput() const { return file_.ToStandardOutput(); }

private:
    tools::OutputFile file_;
    std::vector<std::uint8_t> buffer_;
};

class MemorySink final : public ByteSink {
public:
    using ByteSink::Write;
    void Write(std::span<const std::uint8_t> bytes) override {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::string Text() const { return {bytes_.begin(), bytes_.end()}; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace drovane::synth
