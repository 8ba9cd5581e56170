// Fitting text to the space it is drawn in: shortening with a trailing ellipsis, and the line height
// of a font.
#pragma once

#include "common/Str.h"
#include "platform/api/WinTypes.h"

// Shortens `text` as measured in `dc` until it is no wider than `width`: characters go from the end,
// and while more than one is left the text ends in "...". Returns whether the text was shortened.
bool ShortenText(HDC dc, Str& text, int width);

// The height of the text "A" in `font` on the screen.
int FontLineHeight(HFONT font);
