// Files on Windows: handles and their file information. Two spellings of one name (case, "/"
// against "\") open the same file and so give the same identity.
#include <io.h>
#include <string>
#include <windows.h>

#include "platform/ErrorText.h"
#include "platform/FileStatus.h"
#include "platform/WindowsErrors.h"
#include "platform/WindowsNames.h"

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
    const std::wstring wide = WideName(name);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return {};
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return {};
    full.resize(written);
    return full;
}

}  // namespace

std::optional<FileStatus> StatusOf(const std::string& name) {
    // Opening for no more than its attributes works for files, folders and devices alike.
    HANDLE handle = CreateFileW(WideName(name).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

int WhyNotReplaceable(const std::string& name) {
    const std::wstring wide = WideName(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return kErrorReadOnly;
    // Replacing a file takes writing and deleting it; a program that shares it with nobody stops
    // both. Opening it so changes nothing in it.
    HANDLE handle =
        CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return 0;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? kErrorInUse : 0;
}

}  // namespace drovane::platform
