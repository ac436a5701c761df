#pragma once
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/WholeFile.h"

// An output file of the tools that appears whole or not at all: the converter's own kind of file
// (platform::WholeFile tells where the bytes go until Commit() and what an interruption leaves),
// with the tools' errors as exceptions.
namespace drovane::tools {

// What to do when the name holds a regular file already.
using ExistingFile = platform::IfExists;

// A file that cannot be opened, written or closed. what() names the file and the cause:
// "cannot open x.svg for writing: No such file or directory".
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The name holds a regular file and ExistingFile::Refuse was asked. what() is the name.
class OutputExists : public OutputError {
public:
    using OutputError::OutputError;
};

// The name that stands for standard output, as the converter takes it: written in place.
inline constexpr const char* kStandardOutputName = "-";

class OutputFile {
public:
    // Throws OutputExists or OutputError. Text has its line ends written as the system's text
    // files have them. The name "-" writes to standard output (bytes in binary mode).
    OutputFile(const std::string& path, ExistingFile existing,
               platform::FileContent content = platform::FileContent::Bytes);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes every byte or throws OutputError.
    void Write(std::span<const char> bytes);
    // Closes the file and, when it is a temporary one, gives it the name. Throws OutputError.
    void Commit();

    const std::string& Path() const { return path_; }
    // True when the bytes go to the name itself rather than to a temporary file.
    bool InPlace() const { return !file_.WritesAside(); }
    // True when the bytes go where standard output goes (the name /dev/stdout, or the file that
    // standard output is redirected to): the program's own messages then belong elsewhere.
    bool ToStandardOutput() const { return toStandardOutput_; }

private:
    [[noreturn]] void FailWriting(int error) const;

    std::string path_;  // as given, for messages
    ExistingFile existing_;
    platform::WholeFile file_;
    bool committed_ = false;
    bool toStandardOutput_ = false;
};

// Writes `bytes` to `path` whole, through an OutputFile.
void WriteWholeFile(const std::string& path, std::span<const char> bytes, ExistingFile existing,
                    platform::FileContent content = platform::FileContent::Bytes);

}  // namespace drovane::tools
