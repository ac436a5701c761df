#pragma once
#include <cstdio>
#include <string>

namespace drovane::platform {

// What the bytes of an output file are: text has every "\n" written as the system's line end
// (CR LF on Windows), bytes pass unchanged.
enum class FileContent { Bytes, Text };
// What to do when a regular file stands under the output's name already.
enum class IfExists { Replace, Refuse };

struct WholeFileOptions {
    FileContent content = FileContent::Bytes;
    IfExists existing = IfExists::Replace;
    // The bytes reach the disc before the name points at them (a slower close).
    bool syncBeforeKeeping = false;
};

// An output file that appears whole or not at all. The bytes go to a new hidden file beside the
// output, `.NAME.XXXXXX` (six random letters and digits), created exclusively, which takes the
// output's name only at Keep(); until then, and after Discard(), a failure, or an interruption
// (SIGINT, SIGTERM, SIGHUP, SIGPIPE, after which the process still dies of the signal; on Windows
// Ctrl+C, Ctrl+Break or a closed console, after which it ends with status 130), whatever stood
// under the name stays as it was and no temporary file is left. A replaced file keeps its permissions
// (and its owner where allowed); a new one gets those any new file gets. A symbolic link keeps
// pointing at the file that is replaced. Where a rename cannot serve, the output is written in
// place: a device, a pipe or anything else that is no regular file, a name that stands for an open
// file (/dev/stdout), a file with more than one hard link (its names must stay shared), a file that
// may not be written (its error is the one of opening it), a folder that takes no new file.
class WholeFile {
public:
    WholeFile() = default;
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;
    // Closes a stream of its own that is still open and removes a temporary file not kept.
    ~WholeFile();

    // Opens the output `name`. 0, or the error number: EEXIST when a regular file stands under the
    // name and the options refuse it, EISDIR for a folder.
    int Open(const std::string& name, const WholeFileOptions& options);
    // Writes to a stream that stays open after the run, such as standard output: in place.
    void Use(std::FILE* stream) { stream_ = stream; }

    std::FILE* Stream() const { return stream_; }
    // True when the bytes go to a temporary file rather than under the output's name.
    bool WritesAside() const { return !temporaryName_.empty(); }

    // Ends the writing. 0, or the error number of a failed flush or close.
    int Close();
    // After Close, for a run that succeeded: puts the new file under the output's name. 0, or the
    // error number of the failed rename (the temporary file is then removed); EEXIST when the
    // options refuse an existing file and one appeared meanwhile.
    int Keep();
    // Leaves the output's name as it was: removes the temporary file.
    void Discard();

private:
    // Creates the temporary file beside `target`, for a file that `replacing` stands there or
    // for a new one; 0 or the error number.
    int OpenAside(const std::string& target, bool replacing);
    // Opens `name` itself for writing, a file that `exists` or a new one; 0 or the error number.
    int OpenInPlace(const std::string& name, bool exists);
    void ForgetTemporary();

    std::FILE* stream_ = nullptr;
    bool ownsStream_ = false;
    WholeFileOptions options_;
    std::string temporaryName_;  // empty when writing in place
    std::string targetName_;     // what the temporary file becomes: the output, links followed
    int cleanupSlot_ = -1;       // in the process's list of temporary files to remove on an interruption
};

// Six random letters and digits, for a temporary file's name.
std::string RandomNameSuffix();

}  // namespace drovane::platform
