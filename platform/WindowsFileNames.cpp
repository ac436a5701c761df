// Names on Windows: the wide command line with its wildcards expanded, typed names in the
// console's code page or UTF-8, files opened by their wide names.
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
// shellapi.h needs windows.h before it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "platform/FileNames.h"
#include "platform/WindowsErrors.h"
#include "platform/WindowsNames.h"

namespace drovane::platform {
namespace {

bool HasWildcard(std::wstring_view argument) { return argument.find_first_of(L"*?") != std::wstring_view::npos; }

// The names that `pattern` matches in its folder, each with the pattern's folder part, in the
// order of their names (letter case aside); none when nothing matches. Wildcards count in the last
// part only, as the C library's expansion has them.
std::vector<std::string> Matches(const std::wstring& pattern) {
    const std::size_t folder = pattern.find_last_of(L"\\/:") + 1;  // 0 when there is no folder part
    if (HasWildcard(std::wstring_view(pattern).substr(0, folder))) return {};
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::vector<std::wstring> names;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") names.emplace_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(), [](const std::wstring& one, const std::wstring& other) {
        return CompareStringOrdinal(one.c_str(), -1, other.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    std::vector<std::string> matches;
    for (const std::wstring& name : names) matches.push_back(Utf8Of(pattern.substr(0, folder) + name));
    return matches;
}

void TakeArgument(const std::wstring& argument, std::vector<std::string>& arguments) {
    if (argument == L"/?") {
        arguments.emplace_back("--help");
        return;
    }
    std::vector<std::string> matches = HasWildcard(argument) ? Matches(argument) : std::vector<std::string>{};
    if (matches.empty()) {
        arguments.push_back(Utf8Of(argument));
        return;
    }
    arguments.insert(arguments.end(), matches.begin(), matches.end());
}

bool IsUtf8(const std::string& text) {
    return text.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv + (argc > 0 ? 1 : 0), argv + argc};
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) TakeArgument(wide[i], arguments);
    LocalFree(static_cast<HLOCAL>(wide));
    return arguments;
}

std::string TypedName(std::string line) {
    // A console read in Unicode, and a pipe of UTF-8, give UTF-8; a pipe from a console program
    // that writes its code page (cmd's echo) does not.
    if (!IsUtf8(line)) {
        const UINT codePage = GetConsoleCP();
        line = Utf8Of(WideFrom(line, codePage != 0 ? codePage : GetACP()));
    }
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    return line;
}

std::FILE* OpenForReading(const std::string& name) {
    // Shared as the C library's fopen shares, so that a logger may go on writing the log.
    HANDLE handle = CreateFileW(WideName(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        LastErrorNumber();
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "rb");
    if (file == nullptr) {
        _close(descriptor);
        errno = ENOMEM;
    }
    return file;
}

}  // namespace drovane::platform
