// The run's own scratch file on Windows: a file in the user's temporary folder, made under a new
// name and listed so that Ctrl+C removes it. The workbook's library opens it again by name with
// the C library, which shares a file for reading and writing but never for deletion: so the run
// holds it open for reading only, and no handle could delete it while it is in use. Ctrl+C while
// the library has it open leaves it behind (and says so); each run removes such leftovers first,
// which nobody holds open any more.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

#include "platform/ScratchFile.h"
#include "platform/WholeFile.h"
#include "platform/WindowsErrors.h"
#include "platform/WindowsNames.h"
#include "platform/WindowsTemporaries.h"

namespace drovane::platform {
namespace {

constexpr std::wstring_view kStem = L"drovane-scratch.";

// Removes the scratch files of runs that ended without removing their own; a file that a live
// run holds open cannot be deleted and stays.
void RemoveLeftovers(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + std::wstring(kStem) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
}

HANDLE HandleOf(int descriptor) { return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)); }

}  // namespace

ScratchFile::~ScratchFile() {
    if (file_ < 0) return;
    UnlistTemporaryFile(cleanupSlot_);
    _close(file_);
    DeleteFileW(WideName(name_).c_str());
}

int ScratchFile::Open() {
    const std::string folder = SystemTemporaryFolder();
    if (folder.empty()) return ENOENT;
    RemoveLeftovers(WideName(folder));
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = folder + "drovane-scratch." + RandomNameSuffix();
        std::wstring wide = WideName(name);
        HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const int error = LastErrorNumber();
            if (error == EEXIST) continue;
            return error;
        }
        file_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
        if (file_ < 0) {
            CloseHandle(handle);
            DeleteFileW(wide.c_str());
            return EMFILE;
        }
        cleanupSlot_ = ListTemporaryFile(std::move(wide), name, handle);
        name_ = std::move(name);
        return 0;
    }
    return EEXIST;
}

int ScratchFile::CopyTo(std::FILE* destination) const {
    HANDLE from = HandleOf(file_);
    if (!SetFilePointerEx(from, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return LastErrorNumber();
    constexpr DWORD kBlock = DWORD{1} << 20;
    std::string block(kBlock, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, block.data(), kBlock, &got, nullptr)) return LastErrorNumber();
        if (got == 0) return 0;
        errno = 0;
        if (std::fwrite(block.data(), 1, got, destination) != got) return errno != 0 ? errno : EIO;
    }
}

}  // namespace drovane::platform
