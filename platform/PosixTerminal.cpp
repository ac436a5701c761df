// Terminals on POSIX systems (Linux, macOS): file descriptors and isatty.
#include <iostream>
#include <unistd.h>

#include "platform/Terminal.h"

namespace drovane::platform {

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

// Streams carry bytes unchanged here.
void UseBinaryMode(std::FILE*) {}

UnicodeConsole::UnicodeConsole() = default;
UnicodeConsole::~UnicodeConsole() = default;

KeyBeforeClosing::KeyBeforeClosing() = default;
KeyBeforeClosing::~KeyBeforeClosing() = default;

StandardInput::StandardInput() : standard_(&std::cin) {}
StandardInput::~StandardInput() = default;

}  // namespace drovane::platform
