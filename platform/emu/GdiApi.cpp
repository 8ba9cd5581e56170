// The drawing functions of the device interface.
#include "platform/api/WinGdi.h"

#include "platform/emu/Bitmap.h"
#include "platform/emu/Device.h"
#include "platform/emu/Gdi.h"

#include <algorithm>

using namespace emu;

namespace {
Gdi& gdi()
{
    return currentDevice().gdi();
}
}

DWORD GetSysColor(int index)
{
    return Gdi::systemColor(index).value_or(0);
}

HBRUSH GetSysColorBrush(int index)
{
    return gdi().systemColorBrush(index);
}

HGDIOBJ GetStockObject(int object)
{
    return gdi().stockBrush(object);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    return gdi().createBrush(color);
}

BOOL DeleteObject(HGDIOBJ object)
{
    return gdi().deleteObject(object) ? TRUE : FALSE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    const auto target = gdi().target(dc);
    const auto color = gdi().brushColor(brush);
    if (!target || !color || !rect)
        return 0;
    const RECT& clip = target->clip;
    const RECT area { std::max(clip.left, rect->left + target->origin.x), std::max(clip.top, rect->top + target->origin.y),
        std::min(clip.right, rect->right + target->origin.x), std::min(clip.bottom, rect->bottom + target->origin.y) };
    target->surface.fill(area, *color);
    return 1;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    const auto target = gdi().target(dc);
    if (!target)
        return 0xFFFFFFFF;
    return target->surface.pixel(x + target->origin.x, y + target->origin.y);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    const auto target = gdi().target(dc);
    if (!target)
        return 0xFFFFFFFF;
    const POINT at { x + target->origin.x, y + target->origin.y };
    const RECT& clip = target->clip;
    if (at.x < clip.left || at.x >= clip.right || at.y < clip.top || at.y >= clip.bottom)
        return 0xFFFFFFFF;
    target->surface.setPixel(at.x, at.y, color);
    return color;
}
