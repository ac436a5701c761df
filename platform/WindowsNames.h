#pragma once
// Names between the programs' UTF-8 and the wide (UTF-16) names of the Windows API.
#include <string>
#include <string_view>
#include <windows.h>

namespace drovane::platform {

// `text` from the code page `codePage` as UTF-16.
inline std::wstring WideFrom(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

inline std::string Utf8Of(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

// The wide name for the file functions. A long one (from 248 characters, where folders already
// end) is given as its full path after "\\?\", which takes up to 32767 characters on every
// Windows, whether long paths are enabled there or not.
inline std::wstring WideName(const std::string& name) {
    std::wstring wide = WideFrom(name, CP_UTF8);
    constexpr std::size_t kShortEnough = 248;
    if (wide.size() < kShortEnough || wide.starts_with(L"\\\\?\\")) return wide;
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return wide;
    full.resize(written);
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    return L"\\\\?\\" + full;
}

}  // namespace drovane::platform
