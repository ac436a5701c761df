// Files on Windows: handles and their file information. Two spellings of one name (case, "/"
// against "\") open the same file and so give the same identity.
#include <io.h>
#include <string>
#include <windows.h>

#include "platform/FileStatus.h"
#include "platform/WindowsErrors.h"

namespace drovane::platform {
namespace {

std::optional<FileStatus> StatusOfHandle(HANDLE handle) {
    FileStatus status;
    if (GetFileType(handle) != FILE_TYPE_DISK) return status;  // a console, a pipe, a device
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) {
        LastErrorNumber();
        return std::nullopt;
    }
    const bool folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.kind = folder ? FileKind::Directory : FileKind::Regular;
    status.size = std::uint64_t{information.nFileSizeHigh} << 32 | information.nFileSizeLow;
    status.links = information.nNumberOfLinks;
    status.identity = FileIdentity{information.dwVolumeSerialNumber,
                                   std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
    return status;
}

// The name as a full path, for comparing names of files that do not exist yet.
std::wstring FullPath(const std::string& name) {
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(name.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    int converted =
        MultiByteToWideChar(CP_ACP, 0, full, static_cast<int>(length), wide.data(), static_cast<int>(length));
    wide.resize(static_cast<std::size_t>(converted > 0 ? converted : 0));
    return wide;
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::string& name) {
    // Opening for no more than its attributes works for files, folders and devices alike.
    HANDLE handle =
        CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        LastErrorNumber();
        return std::nullopt;
    }
    std::optional<FileStatus> status = StatusOfHandle(handle);
    CloseHandle(handle);
    return status;
}

std::optional<FileStatus> StatusOf(std::FILE* stream) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return std::nullopt;
    }
    return StatusOfHandle(handle);
}

bool NameTheSameFile(const std::string& first, const std::string& second) {
    std::optional<FileStatus> one = StatusOf(first);
    std::optional<FileStatus> other = StatusOf(second);
    if (one && other) return one->identity && one->identity == other->identity;
    if (one || other) return false;
    std::wstring full = FullPath(first);
    std::wstring fullOther = FullPath(second);
    if (full.empty() || fullOther.empty()) return first == second;
    return CompareStringOrdinal(full.c_str(), static_cast<int>(full.size()), fullOther.c_str(),
                                static_cast<int>(fullOther.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace drovane::platform
