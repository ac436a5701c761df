// Consoles on Windows: the console's own test for a console, UTF-8 output, Unicode input.
#include <array>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <string_view>
#include <windows.h>

#include "platform/Interruption.h"
#include "platform/Terminal.h"
#include "platform/WindowsNames.h"

namespace drovane::platform {
namespace {

HANDLE HandleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// The console's lines, read as UTF-16 and passed on as UTF-8 with "\n" line ends. A line that
// begins with Ctrl+Z ends the input, as it does for the C library's text streams.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (ended_) return traits_type::eof();
        wchar_t wide[1024];
        DWORD count = 0;
        if (!ReadConsoleW(console_, wide, 1024, &count, nullptr) || count == 0 || wide[0] == L'\x1a') {
            ended_ = true;
            return traits_type::eof();
        }
        std::wstring_view read(wide, count);
        text_.clear();
        for (wchar_t c : read) {
            if (c != L'\r') text_.push_back(c);
        }
        line_ = Utf8Of(text_);
        if (line_.empty()) return underflow();
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(*gptr());
    }

private:
    HANDLE console_;
    std::wstring text_;
    std::string line_;
    bool ended_ = false;
};

}  // namespace

// A console answers GetConsoleMode; a file, a pipe and the device NUL do not (the C library's
// _isatty would take NUL for a terminal, as it does every character device).
bool IsTerminal(std::FILE* stream) { return IsConsole(HandleOf(stream)); }

void UseBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

UnicodeConsole::UnicodeConsole() {
    if (!IsConsole(HandleOf(stdout)) && !IsConsole(HandleOf(stderr))) return;
    const UINT previous = GetConsoleOutputCP();
    if (previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) previousCodePage_ = previous;
}

UnicodeConsole::~UnicodeConsole() {
    if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

// The console window is the run's own when it has a window, the run is the only program attached
// to it (a prompt would be another), and it reads the keyboard and shows the messages.
KeyBeforeClosing::KeyBeforeClosing() {
    std::array<DWORD, 2> attached{};
    ownWindow_ = GetConsoleWindow() != nullptr && IsConsole(HandleOf(stdin)) && IsConsole(HandleOf(stderr)) &&
                 GetConsoleProcessList(attached.data(), static_cast<DWORD>(attached.size())) == 1;
}

KeyBeforeClosing::~KeyBeforeClosing() {
    if (!ownWindow_) return;
    constexpr std::string_view kPrompt = "--- press any key to close this window\n";
    WriteToStandardError(kPrompt.data(), kPrompt.size());
    HANDLE input = HandleOf(stdin);
    FlushConsoleInputBuffer(input);
    for (;;) {
        INPUT_RECORD record{};
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0) return;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
    }
}

StandardInput::StandardInput() : standard_(&std::cin) {
    HANDLE input = HandleOf(stdin);
    if (!IsConsole(input)) return;
    consoleBuffer_ = std::make_unique<ConsoleBuffer>(input);
    console_ = std::make_unique<std::istream>(consoleBuffer_.get());
}

StandardInput::~StandardInput() = default;

}  // namespace drovane::platform
