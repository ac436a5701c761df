// Files on POSIX systems (Linux, macOS): stat and fstat.
#include <filesystem>
#include <sys/stat.h>

#include "platform/FileStatus.h"

namespace drovane::platform {
namespace {

FileStatus Describe(const struct stat& status) {
    FileStatus described;
    described.kind = S_ISREG(status.st_mode)   ? FileKind::Regular
                     : S_ISDIR(status.st_mode) ? FileKind::Directory
                                               : FileKind::Other;
    described.size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    described.links = static_cast<std::uint64_t>(status.st_nlink);
    described.identity =
        FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    return described;
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::string& name) {
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) return std::nullopt;
    return Describe(status);
}

std::optional<FileStatus> StatusOf(std::FILE* stream) {
    struct stat status {};
    if (fstat(fileno(stream), &status) != 0) return std::nullopt;
    return Describe(status);
}

bool NameTheSameFile(const std::string& first, const std::string& second) {
    std::optional<FileStatus> one = StatusOf(first);
    std::optional<FileStatus> other = StatusOf(second);
    if (one && other) return one->identity == other->identity;
    if (one || other) return false;
    std::error_code error;
    std::filesystem::path full = std::filesystem::weakly_canonical(first, error);
    if (error) return first == second;
    std::filesystem::path fullOther = std::filesystem::weakly_canonical(second, error);
    return error ? first == second : full == fullOther;
}

int WhyNotReplaceable(const std::string&) { return 0; }

}  // namespace drovane::platform
