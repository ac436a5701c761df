#pragma once
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>

// An output file of the tools that appears whole or not at all. Where the name holds a regular
// file, or nothing yet, the bytes go to a hidden temporary file in the same folder, which takes
// the name only when Commit() succeeds; an uncommitted file, or one cut off by SIGINT, SIGTERM or
// SIGHUP, leaves whatever stood under the name unchanged. Where renaming cannot serve (a device,
// a pipe, /dev/stdout, a file with more than one hard link, a folder that takes no new file) the
// bytes go to the name itself. A symbolic link to a regular file keeps the link and replaces the
// file it points to.
namespace drovane::tools {

// What to do when the name holds a regular file already.
enum class ExistingFile { Refuse, Replace };

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

class OutputFile {
public:
    // Throws OutputExists or OutputError.
    OutputFile(const std::string& path, ExistingFile existing);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes every byte or throws OutputError.
    void Write(std::span<const char> bytes);
    // Closes the file and, when it is a temporary one, gives it the name. Throws OutputError.
    void Commit();

    const std::string& Path() const { return path_; }
    // True when the bytes go to the name itself rather than to a temporary file.
    bool InPlace() const { return temporary_.empty(); }
    // True when the bytes go where standard output goes (the name /dev/stdout, or the file that
    // standard output is redirected to): the program's own messages then belong elsewhere.
    bool ToStandardOutput() const { return toStandardOutput_; }

private:
    [[noreturn]] void FailWriting(int error) const;
    void NoteStandardOutput();
    // Closes the file and removes an uncommitted temporary one.
    void Abandon();

    std::string path_;       // as given, for messages
    std::string target_;     // the file that takes the bytes: the name, or the file a link points to
    std::string temporary_;  // empty when writing in place
    ExistingFile existing_;
    int descriptor_ = -1;
    int slot_ = -1;  // in the list of temporary files that a signal removes
    bool committed_ = false;
    bool toStandardOutput_ = false;
};

// Writes `bytes` to `path` whole, through an OutputFile.
void WriteWholeFile(const std::string& path, std::span<const char> bytes, ExistingFile existing);

}  // namespace drovane::tools
