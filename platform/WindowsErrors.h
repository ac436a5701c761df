#pragma once
// The error numbers of the C library for the errors of the Windows API, so that every message
// names its cause as the C library does ("No such file or directory"), and a file in use as such.
#include <cerrno>
#include <windows.h>

#include "platform/ErrorText.h"

namespace drovane::platform {

inline int ErrorNumberOf(DWORD windowsError) {
    struct Pair {
        DWORD windowsError;
        int errorNumber;
    };
    static constexpr Pair kPairs[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_INVALID_NAME, ENOENT},
        {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_INVALID_DRIVE, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_SHARING_VIOLATION, kErrorInUse},
        {ERROR_LOCK_VIOLATION, kErrorInUse},
        {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_DISK_FULL, ENOSPC},
        {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
        {ERROR_OUTOFMEMORY, ENOMEM},
        {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_BROKEN_PIPE, EPIPE},
        {ERROR_NO_DATA, EPIPE},
        {ERROR_DIRECTORY, ENOTDIR},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {ERROR_NOT_SAME_DEVICE, EXDEV},
    };
    for (const Pair& pair : kPairs) {
        if (pair.windowsError == windowsError) return pair.errorNumber;
    }
    return EIO;
}

// The error number of the last failed call of the Windows API, also left in errno.
inline int LastErrorNumber() {
    errno = ErrorNumberOf(GetLastError());
    return errno;
}

}  // namespace drovane::platform
