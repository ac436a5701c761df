#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "decode/Columns.h"

// The words of the three word columns (EV Mode, Shifter, Lights): the word each code of the car's
// message gives, and every word a column can hold, for readers that list them (categories).
namespace drovane {

inline constexpr std::array<std::string_view, 4> kEvModeWords{"N", "EV", "Denied", "Cancel"};
// Codes without a word of their own give the empty word.
inline constexpr std::array<std::string_view, 6> kShifterWords{"B", "D", "N", "R", "P", ""};
inline constexpr std::array<std::string_view, 5> kLightsWords{"Off", "Parking", "Headlights", "HighBeams", ""};

constexpr std::string_view EvModeWord(std::uint8_t code) {
    switch (code) {
        case 0x00: return "N";
        case 0x40: return "EV";
        case 0x80: return "Denied";
        default: return "Cancel";
    }
}

constexpr std::string_view ShifterWord(std::uint8_t code) {
    switch (code) {
        case 0x00: return "B";
        case 0x10: return "D";
        case 0x20: return "N";
        case 0x40: return "R";
        case 0x80: return "P";
        default: return "";
    }
}

constexpr std::string_view LightsWord(std::uint8_t code) {
    switch (code) {
        case 0x00: return "Off";
        case 0x10: return "Parking";
        case 0x30: return "Headlights";
        case 0x38: return "HighBeams";
        default: return "";
    }
}

// A list holds exactly the words its codes give: each code's word is listed, each listed word
// comes from some code.
template <std::size_t N>
constexpr bool ListsExactlyTheWords(std::string_view (*wordOf)(std::uint8_t),
                                    const std::array<std::string_view, N>& words) {
    std::array<bool, N> given{};
    for (int code = 0; code < 256; ++code) {
        std::string_view word = wordOf(static_cast<std::uint8_t>(code));
        bool listed = false;
        for (std::size_t i = 0; i < N; ++i) {
            if (words[i] == word) listed = given[i] = true;
        }
        if (!listed) return false;
    }
    for (bool g : given) {
        if (!g) return false;
    }
    return true;
}
static_assert(ListsExactlyTheWords(EvModeWord, kEvModeWords));
static_assert(ListsExactlyTheWords(ShifterWord, kShifterWords));
static_assert(ListsExactlyTheWords(LightsWord, kLightsWords));

// The columns that hold words, in column order, with the words each can hold.
struct WordColumn {
    Column column;
    std::span<const std::string_view> words;
};
inline constexpr std::array<WordColumn, 3> kWordColumns{{
    {kColShifter, kShifterWords},
    {kColEvMode, kEvModeWords},
    {kColLights, kLightsWords},
}};

}  // namespace drovane
