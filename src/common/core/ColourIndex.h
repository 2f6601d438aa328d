#pragma once

#include <cstdint>
#include <optional>

namespace quendal {

// The named colours a list cell can take. The first six follow the desktop's colour scheme and
// are resolved by the widgets; the others are fixed.
enum ColourIndex : int
{
    DEF_BACKGROUND = 0,
    DEF_TEXT = 1,
    DEF_SELBACKGROUND = 2,
    DEF_SELTEXT = 3,
    DEF_DESELBACKGROUND = 4,
    DEF_DESELTEXT = 5,
    BLACK = 6,
    BLUE = 7,
    GREEN = 8,
    CYAN = 9,
    RED = 10,
    MAGENTA = 11,
    YELLOW = 12,
    WHITE = 13,
    DARKBLUE = 14,
    DARKGREEN = 15,
    BLUEGREEN = 16,
    BROWN = 17,
    PURPUR = 18,
    OLIV = 19,
    DARKGRAY = 20,
    LIGHTGRAY = 21,
    LIGHTBLUE = 22,
    DARKWHITE = 23,
    MIDDLEGRAY = 24,
};

inline constexpr int kColourIndexCount = 25;

// Colour values are 0xBBGGRR: blue in the high byte, red in the low byte.
using ColourValue24 = std::uint32_t;

// The colour value of an index used for anything outside the table.
inline constexpr ColourValue24 kOutOfTableColour = 0x008000;

constexpr bool isSystemColourIndex(int index)
{
    return index >= 0 && index <= DEF_DESELTEXT;
}

// The fixed colour value of an index; nullopt for the six desktop colours. Indices outside
// 0 to 24 give kOutOfTableColour.
constexpr std::optional<ColourValue24> fixedColourValue(int index)
{
    constexpr ColourValue24 table[kColourIndexCount] = {
        0,        0,        0,        0,        0,        0,        0x000000, 0xFF0000, 0x00FF00,
        0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF, 0x800000, 0x008000, 0x808000, 0x000080,
        0x800080, 0x008080, 0x808080, 0xC0C0C0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0};
    if (isSystemColourIndex(index))
        return std::nullopt;
    if (index < 0 || index >= kColourIndexCount)
        return kOutOfTableColour;
    return table[index];
}

} // namespace quendal
