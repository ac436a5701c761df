#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
// few megabytes of memory. Throws std::runtime_error when the file cannot be opened or written.
class FileSink final : public ByteSink {
public:
    explicit FileSink(const std::string& path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    using ByteSink::Write;
    void Write(std::span<const std::uint8_t> bytes) override;
    // Writes out the buffer and closes the file; errors surface here rather than in the destructor.
    void Flush() override;

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::vector<std::uint8_t> buffer_;
};

class MemorySink final : public ByteSink {
public:
    using ByteSink::Write;
    void Write(std::span<const std::uint8_t> bytes) override { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::string Text() const { return {bytes_.begin(), bytes_.end()}; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace drovane::synth
