// The run's own scratch file on Windows: a file in the user's temporary folder, made under a new
// name, listed so that Ctrl+C removes it, and removed when it is done with. It is opened again by
// name (the workbook's library writes it with the C library), so the run holds no handle to it
// meanwhile: a handle that could delete it would keep the library from opening it.
#include <cerrno>
#include <cstdio>
#include <string>
#include <windows.h>

#include "platform/ScratchFile.h"
#include "platform/WholeFile.h"
#include "platform/WindowsErrors.h"
#include "platform/WindowsNames.h"
#include "platform/WindowsTemporaries.h"

namespace drovane::platform {

ScratchFile::~ScratchFile() {
    if (name_.empty()) return;
    DeleteFileW(WideName(name_).c_str());
    UnlistClosedTemporary(cleanupSlot_);
}

int ScratchFile::Open() {
    const std::string folder = SystemTemporaryFolder();
    if (folder.empty()) return ENOENT;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = folder + "drovane-scratch." + RandomNameSuffix();
        std::wstring wide = WideName(name);
        HANDLE handle =
            CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const int error = LastErrorNumber();
            if (error == EEXIST) continue;
            return error;
        }
        CloseHandle(handle);
        cleanupSlot_ = ListClosedTemporary(std::move(wide), name);
        name_ = std::move(name);
        return 0;
    }
    return EEXIST;
}

int ScratchFile::CopyTo(std::FILE* destination) const {
    HANDLE from = CreateFileW(WideName(name_).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (from == INVALID_HANDLE_VALUE) return LastErrorNumber();
    constexpr DWORD kBlock = DWORD{1} << 20;
    std::string block(kBlock, '\0');
    int error = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, block.data(), kBlock, &got, nullptr)) {
            error = LastErrorNumber();
            break;
        }
        if (got == 0) break;
        errno = 0;
        if (std::fwrite(block.data(), 1, got, destination) != got) {
            error = errno != 0 ? errno : EIO;
            break;
        }
    }
    CloseHandle(from);
    return error;
}

}  // namespace drovane::platform
