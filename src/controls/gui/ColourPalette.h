#pragma once

#include "common/core/ColourIndex.h"

#include <QColor>
#include <QPalette>

namespace quendal {

// The colour of a colour index on screen. The six desktop colours are read from the palette at
// every call, so a change of the colour scheme shows at the next repaint:
//   DEF_BACKGROUND      the window's base colour (list background)
//   DEF_TEXT            the text colour on it
//   DEF_SELBACKGROUND   the active selection colour, DEF_SELTEXT its text
//   DEF_DESELBACKGROUND the selection colour of an inactive window, DEF_DESELTEXT its text
// Indices outside the table give 0x008000.
QColor colourOf(int index, const QPalette& palette);

// A colour as a 24-bit value 0xBBGGRR (red in the low byte).
ColourValue24 colourValueOf(const QColor& colour);

// colourValueOf(colourOf(index, palette)).
ColourValue24 colourValue(int index, const QPalette& palette);

} // namespace quendal
