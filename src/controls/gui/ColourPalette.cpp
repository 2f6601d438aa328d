#include "controls/gui/ColourPalette.h"

namespace quendal {

QColor colourOf(int index, const QPalette& palette)
{
    switch (index) {
    case DEF_BACKGROUND:
        return palette.color(QPalette::Active, QPalette::Base);
    case DEF_TEXT:
        return palette.color(QPalette::Active, QPalette::Text);
    case DEF_SELBACKGROUND:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case DEF_SELTEXT:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case DEF_DESELBACKGROUND:
        return palette.color(QPalette::Inactive, QPalette::Highlight);
    case DEF_DESELTEXT:
        return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    default:
        break;
    }
    const ColourValue24 value = fixedColourValue(index).value_or(kOutOfTableColour);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

ColourValue24 colourValueOf(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return ColourValue24(rgb.red()) | ColourValue24(rgb.green()) << 8 |
           ColourValue24(rgb.blue()) << 16;
}

ColourValue24 colourValue(int index, const QPalette& palette)
{
    return colourValueOf(colourOf(index, palette));
}

} // namespace quendal
