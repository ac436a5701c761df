#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace drovane::platform {

enum class FileKind { Regular, Directory, Other };  // Other: a device, pipe, terminal or socket

// What tells one file from every other file on the system, whatever name it is reached by.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FileStatus {
    FileKind kind = FileKind::Other;
    std::uint64_t size = 0;   // bytes; meaningful for a regular file
    std::uint64_t links = 1;  // the names the file has
    // Absent where the system names no file behind a stream (a pipe or console on Windows).
    std::optional<FileIdentity> identity;
};

// The file a name leads to, links followed; nothing, with errno set, when there is none or it
// cannot be examined.
std::optional<FileStatus> StatusOf(const std::string& name);
// The file an open stream reads or writes; nothing, with errno set, when it cannot be examined.
std::optional<FileStatus> StatusOf(std::FILE* stream);

// True when the two names lead to one file, however they are spelt (on Windows case and "/"
// against "\" do not matter). Names of files that do not exist yet are compared as full paths.
bool NameTheSameFile(const std::string& first, const std::string& second);

// 0 when nothing keeps the file `name` from being replaced now (nor when there is none), else why:
// kErrorInUse when another program holds it open and shares it with nobody (as Excel holds a
// workbook), kErrorReadOnly for a read-only file. Only Windows has either: on POSIX systems an open
// file, and one without write permission, are replaced by a rename all the same, and this is 0.
int WhyNotReplaceable(const std::string& name);

}  // namespace drovane::platform
