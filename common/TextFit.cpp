// Text fitting: measures with the device context's font.
#include "common/TextFit.h"

#include "platform/api/WinGdi.h"
#include "platform/api/WinUser.h"

namespace {

int widthOf(HDC dc, const Str& text)
{
    SIZE extent {};
    GetTextExtentPoint32(dc, text, text.GetLength(), &extent);
    return extent.cx;
}

}

bool ShortenText(HDC dc, Str& text, int width)
{
    const Str whole = text;
    int kept = whole.GetLength();
    while (kept > 0 && widthOf(dc, text) > width) {
        --kept;
        // The last kept character gives way to the first full stop of the ellipsis.
        text = kept > 1 ? whole.Left(kept - 1) + u"..." : whole.Left(kept);
    }
    return kept < whole.GetLength();
}

int FontLineHeight(HFONT font)
{
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font);
    SIZE extent {};
    GetTextExtentPoint32(screen, u"A", 1, &extent);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return extent.cy;
}
