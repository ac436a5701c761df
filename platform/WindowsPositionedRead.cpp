// Positioned reads on Windows: ReadFile with the offset in an OVERLAPPED structure, on the handle
// behind the stream.
#include <cerrno>
#include <io.h>
#include <windows.h>

#include "platform/PositionedRead.h"
#include "platform/WindowsErrors.h"

namespace drovane::platform {

std::size_t ReadAt(std::FILE* stream, std::uint64_t offset, void* destination, std::size_t size) {
    errno = 0;
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    auto* to = static_cast<unsigned char*>(destination);
    std::size_t got = 0;
    while (got < size) {
        OVERLAPPED at{};
        std::uint64_t position = offset + got;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD wanted = size - got > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size - got);
        DWORD count = 0;
        if (!ReadFile(handle, to + got, wanted, &count, &at)) {
            if (GetLastError() != ERROR_HANDLE_EOF) LastErrorNumber();
            break;
        }
        if (count == 0) break;
        got += count;
    }
    return got;
}

}  // namespace drovane::platform
