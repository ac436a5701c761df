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

// What became of the files when keeping or discarding a new one failed, for the messages.
struct WholeFileAftermath {
    // The previous file was overwritten in part: copying into it failed on the way.
    bool previousDamaged = false;
    // Where the whole new file was kept instead, when it was (empty otherwise).
    std::string newFileAt;
    // A temporary file that could not be removed (empty when none was left).
    std::string leftBehind;
};

// An output file that appears whole or not at all. The bytes go to a temporary file, which takes
// the output's name only at Keep(); until then, and after Discard(), a failure, or an ending
// signal (platform/Interruption.h: the process still dies of it; on Windows Ctrl+C, Ctrl+Break or
// a closed console, after which it ends with status 130), whatever stood under the name stays as
// it was and no temporary file is left.
//
// Where the system offers unnamed temporary files (Linux), the temporary file has no name until
// Keep() and goes with the process however that ends, SIGKILL included; elsewhere it is a hidden
// file beside the output, `.NAME.XXXXXX` (six random letters and digits; NAME cut short where the
// whole would be too long for a name), created exclusively and removed on an ending signal. At
// Keep() the new file is renamed over the old one, so a replaced file keeps its permissions (and
// its owner where allowed), a new one gets those any new file gets, and a symbolic link keeps
// pointing at the file that is replaced. Two kinds of existing file are written at Keep() by
// copying the new bytes into them instead, from a temporary file beside them or, where none can
// be made there (a folder that takes no new file, a file system without a free inode), in the
// system's temporary folder: a file with more than one hard link (its names must stay shared),
// and a file whose folder takes no new file. Written in place, as they go, are only what a rename
// cannot serve: a device, a pipe or anything else that is no regular file, and a name that stands
// for an open file (/dev/stdout).
class WholeFile {
public:
    WholeFile() = default;
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;
    // Closes a stream of its own that is still open and removes a temporary file not kept.
    ~WholeFile();

    // Opens the output `name`. 0, or the error number: EEXIST when a regular file stands under the
    // name and the options refuse it, EISDIR for a folder, the error of making the temporary file
    // when none can be made (the output is then left as it was), the error of opening a file that
    // may not be written.
    int Open(const std::string& name, const WholeFileOptions& options);
    // Writes to a stream that stays open after the run, such as standard output: in place.
    void Use(std::FILE* stream) { stream_ = stream; }

    std::FILE* Stream() const { return stream_; }
    // True when the bytes go to a temporary file rather than under the output's name.
    bool WritesAside() const { return aside_; }
    // True when the bytes go aside and a file stood under the output's name at Open().
    bool KeepsPrevious() const { return aside_ && replacing_; }

    // Ends the writing. 0, or the error number of a failed flush or close.
    int Close();
    // After Close, for a run that succeeded: puts the new file under the output's name. 0, or the
    // error number of the failed rename or copy (the temporary file is then removed; Aftermath()
    // tells what became of the previous file); EEXIST when the options refuse an existing file
    // and one appeared meanwhile.
    int Keep();
    // Leaves the output's name as it was: removes the temporary file. 0, or the error number of
    // a removal that failed (Aftermath() names the file left behind).
    int Discard();
    const WholeFileAftermath& Aftermath() const { return aftermath_; }

private:
    // Makes the temporary file for `target`, for a file that `replacing` stands there or for a new
    // one; 0 or the error number. Windows: in `folderName` (with its separator), or beside the
    // target when that is empty.
#ifdef _WIN32
    int OpenAside(const std::string& target, bool replacing, const std::string& folderName);
#else
    int OpenAside(const std::string& target, bool replacing);
#endif
    // Opens `name` itself for writing, a file that `exists` or a new one; 0 or the error number.
    int OpenInPlace(const std::string& name, bool exists);
    // POSIX: the temporary file in `folder`, open as `folder`; 0 or the error number.
    int MakeTemporary(int folder, const std::string& folderPath, unsigned mode);
    int LinkTemporary(int folder, const std::string& name) const;
    int PutIntoPlace();
    int CopyIntoPlace();
    void Rescue();
    // Removes a temporary file that still has a name and closes what is open; 0 or the error
    // number of the removal that failed.
    int ForgetTemporary();

    std::FILE* stream_ = nullptr;
    bool ownsStream_ = false;
    WholeFileOptions options_;
    bool aside_ = false;         // the bytes go to a temporary file
    bool replacing_ = false;     // a file stood under the name at Open()
    bool copyingIn_ = false;     // Keep() copies into the existing file rather than renaming
    std::string temporaryName_;  // the temporary file's full name; empty while it has none
    std::string targetName_;     // what the temporary file becomes: the output, links followed
    int cleanupSlot_ = -1;       // in the process's list of temporary files to remove on an interruption
    std::string temporaryFolderName_;
    int temporaryFolder_ = -1;  // POSIX: the folder of the temporary file, open
    int targetFolder_ = -1;     // POSIX: the folder of the output, open
    int temporary_ = -1;        // POSIX: the temporary file, open to the end
    WholeFileAftermath aftermath_;
};

// Six random letters and digits, for a temporary file's name.
std::string RandomNameSuffix();

}  // namespace drovane::platform
