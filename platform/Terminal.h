#pragma once
#include <cstdio>
#include <istream>
#include <memory>
#include <streambuf>

namespace drovane::platform {

// True when `stream` is a terminal (a console window on Windows), where a line that redraws
// itself makes sense; false for files, pipes and devices such as /dev/null or NUL.
bool IsTerminal(std::FILE* stream);

// Makes `stream` pass its bytes unchanged: a raw log read from standard input must not have its
// line ends or an end-of-file byte translated where the system's text streams would.
void UseBinaryMode(std::FILE* stream);

// While it lives, a console shows the programs' text, which is UTF-8, as written: on Windows the
// console's output code page is UTF-8 meanwhile and the one it was afterwards (Ctrl+C leaves it at
// UTF-8); POSIX terminals take the bytes as they are.
class UnicodeConsole {
public:
    UnicodeConsole();
    // Gives the console its code page back on Windows; nothing to undo elsewhere.
    ~UnicodeConsole();  // NOLINT(performance-trivially-destructible): not trivial on Windows
    UnicodeConsole(const UnicodeConsole&) = delete;
    UnicodeConsole& operator=(const UnicodeConsole&) = delete;

private:
    [[maybe_unused]] unsigned previousCodePage_ = 0;  // 0: left alone; Windows only
};

// For its lifetime, the run's console window, where it has one of its own (Windows opens one for
// a program started from Explorer: a log dropped on it, a double-click), shows the messages until
// a key is pressed: the window would close with the run. A run from a prompt, with its input or
// output elsewhere, or on POSIX systems, ends as it is.
class KeyBeforeClosing {
public:
    KeyBeforeClosing();
    ~KeyBeforeClosing();  // NOLINT(performance-trivially-destructible): not trivial on Windows
    KeyBeforeClosing(const KeyBeforeClosing&) = delete;
    KeyBeforeClosing& operator=(const KeyBeforeClosing&) = delete;

private:
    [[maybe_unused]] bool ownWindow_ = false;
};

// Standard input, for lines typed at a prompt. A Windows console is read in Unicode, so that its
// lines arrive as UTF-8 whatever its code page; anywhere else this is std::cin.
class StandardInput {
public:
    StandardInput();
    ~StandardInput();
    StandardInput(const StandardInput&) = delete;
    StandardInput& operator=(const StandardInput&) = delete;
    std::istream& Stream() { return console_ ? *console_ : *standard_; }

private:
    std::istream* standard_;
    std::unique_ptr<std::streambuf> consoleBuffer_;
    std::unique_ptr<std::istream> console_;
};

}  // namespace drovane::platform
