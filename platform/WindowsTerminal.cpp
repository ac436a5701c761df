// Consoles on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/Terminal.h"

namespace drovane::platform {

// A console answers GetConsoleMode; a file, a pipe and the device NUL do not (the C library's
// _isatty would take NUL for a terminal, as it does every character device).
bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

void UseBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

}  // namespace drovane::platform
