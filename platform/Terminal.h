#pragma once
#include <cstdio>

namespace drovane::platform {

// True when `stream` is a terminal (a console window on Windows), where a line that redraws
// itself makes sense; false for files, pipes and devices such as /dev/null or NUL.
bool IsTerminal(std::FILE* stream);

// Makes `stream` pass its bytes unchanged: a raw log read from standard input must not have its
// line ends or an end-of-file byte translated where the system's text streams would.
void UseBinaryMode(std::FILE* stream);

}  // namespace drovane::platform
