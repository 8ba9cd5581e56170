// The drawing functions of the device interface.
#include "platform/api/WinGdi.h"

#include "platform/api/WinBase.h"

#include "platform/emu/Bitmap.h"
#include "platform/emu/Device.h"
#include "platform/emu/FontFace.h"
#include "platform/emu/Gdi.h"
#include "platform/emu/TextLayout.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

using namespace emu;

namespace {
Gdi& gdi()
{
    return currentDevice().gdi();
}

int screenDpi()
{
    return currentDevice().profile().dpi;
}

RECT intersection(const RECT& one, const RECT& other)
{
    return RECT { std::max(one.left, other.left), std::max(one.top, other.top), std::min(one.right, other.right),
                  std::min(one.bottom, other.bottom) };
}

std::nullptr_t failWith(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

// A bitmap as GetObject describes it: a device bitmap's rows are counted in whole words, as the
// platform has them, and its pixels are not the program's to read.
BITMAP describe(Bitmap& pixels)
{
    const bool deviceIndependent = pixels.layout() != Bitmap::Layout::Surface;
    const std::size_t rowBytes = deviceIndependent ? pixels.stride() : (pixels.stride() + 1) / 2 * 2;
    return BITMAP { 0, pixels.width(), pixels.height(), static_cast<LONG>(rowBytes), 1, 24,
                    deviceIndependent ? pixels.bits() : nullptr };
}

RECT moved(const RECT& rect, POINT by)
{
    return RECT { rect.left + by.x, rect.top + by.y, rect.right + by.x, rect.bottom + by.y };
}

// Where text may land on the surface: the context's clip, narrowed to `clip` (client coordinates) when given.
RECT textArea(const Gdi::Target& target, const RECT* clip)
{
    return clip ? intersection(target.clip, moved(*clip, target.origin)) : target.clip;
}

// Draws a run of text in the context's colours with the top left of its cell at (x, y) of the client;
// in opaque mode the cell is filled with the background colour first.
void drawRun(const Gdi::Target& target, const Gdi::ContextState& state, FontFace& face, int x, int y, std::u16string_view text,
             const int* advances, const RECT& area)
{
    const POINT at { x + target.origin.x, y + target.origin.y };
    if (state.backgroundMode == OPAQUE) {
        int width = 0;
        if (advances) {
            for (std::size_t index = 0; index < text.size(); ++index)
                width += advances[index];
        } else {
            width = face.width(text);
        }
        target.surface.fill(intersection(area, RECT { at.x, at.y, at.x + width, at.y + face.height() }), state.backgroundColor);
    }
    face.draw(target.surface, at.x, at.y, text, advances, state.textColor, area);
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
    return gdi().stockObject(object);
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

HFONT CreateFontIndirect(const LOGFONT* font)
{
    return font ? gdi().createFont(*font) : nullptr;
}

int GetObject(HGDIOBJ object, int size, LPVOID buffer)
{
    const auto copyOut = [&](const auto& description) {
        if (!buffer)
            return static_cast<int>(sizeof(description));
        const int copied = std::clamp(size, 0, static_cast<int>(sizeof(description)));
        std::memcpy(buffer, &description, static_cast<std::size_t>(copied));
        return copied;
    };
    if (Bitmap* pixels = gdi().bitmap(object))
        return copyOut(describe(*pixels));
    if (const auto font = gdi().logicalFont(object, screenDpi()))
        return copyOut(*font);
    return 0;
}

HDC CreateCompatibleDC(HDC dc)
{
    if (dc && !gdi().context(dc))
        return nullptr;
    return gdi().memoryContext();
}

BOOL DeleteDC(HDC dc)
{
    return gdi().deleteMemoryContext(dc) ? TRUE : FALSE;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD)
{
    if (bits)
        *bits = nullptr;
    if (!gdi().context(dc) || !info || usage != DIB_RGB_COLORS || section)
        return failWith(ERROR_INVALID_PARAMETER);
    const BITMAPINFOHEADER& header = info->bmiHeader;
    // The magnitude of the height is taken in 64 bits: a height of INT_MIN has none in 32.
    const std::int64_t height = header.biHeight < 0 ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight;
    if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biPlanes != 1 || header.biWidth <= 0 || height == 0
        || static_cast<std::uint64_t>(header.biWidth) * static_cast<std::uint64_t>(height) > Bitmap::maxPixels)
        return failWith(ERROR_INVALID_PARAMETER);
    const auto layout = header.biHeight < 0 ? Bitmap::Layout::TopDownDib : Bitmap::Layout::BottomUpDib;
    const HBITMAP created = gdi().createBitmap(Bitmap(header.biWidth, static_cast<int>(height), 0, layout));
    if (bits)
        *bits = gdi().bitmap(created)->bits();
    return created;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    return gdi().select(dc, object);
}

int GetDeviceCaps(HDC dc, int index)
{
    if (!gdi().context(dc))
        return 0;
    const DeviceProfile& profile = currentDevice().profile();
    switch (index) {
    case HORZRES: return profile.screenWidth;
    case VERTRES: return profile.screenHeight;
    case LOGPIXELSX:
    case LOGPIXELSY: return profile.dpi;
    default: return 0;
    }
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    Gdi::ContextState* state = gdi().context(dc);
    return state ? std::exchange(state->textColor, color) : CLR_INVALID;
}

COLORREF GetTextColor(HDC dc)
{
    const Gdi::ContextState* state = gdi().context(dc);
    return state ? state->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    Gdi::ContextState* state = gdi().context(dc);
    return state ? std::exchange(state->backgroundColor, color) : CLR_INVALID;
}

COLORREF GetBkColor(HDC dc)
{
    const Gdi::ContextState* state = gdi().context(dc);
    return state ? state->backgroundColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode)
{
    Gdi::ContextState* state = gdi().context(dc);
    if (!state || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return std::exchange(state->backgroundMode, mode);
}

int GetBkMode(HDC dc)
{
    const Gdi::ContextState* state = gdi().context(dc);
    return state ? state->backgroundMode : 0;
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics)
{
    const Gdi::ContextState* state = gdi().context(dc);
    FontFace* face = gdi().currentFace(dc, screenDpi());
    if (!state || !face || !metrics)
        return FALSE;
    const FontFace::Metrics& measured = face->metrics();
    const LOGFONT font = *gdi().logicalFont(state->font, screenDpi());
    // Missing characters show the face's own box, so there is no default character to name.
    *metrics = TEXTMETRIC {};
    metrics->tmHeight = face->height();
    metrics->tmAscent = measured.ascent;
    metrics->tmDescent = measured.descent;
    metrics->tmInternalLeading = face->height() - measured.emHeight;
    metrics->tmExternalLeading = measured.externalLeading;
    metrics->tmAveCharWidth = measured.averageWidth;
    metrics->tmMaxCharWidth = measured.maxWidth;
    metrics->tmWeight = measured.weight;
    metrics->tmDigitizedAspectX = screenDpi();
    metrics->tmDigitizedAspectY = screenDpi();
    metrics->tmFirstChar = measured.firstChar;
    metrics->tmLastChar = measured.lastChar;
    metrics->tmBreakChar = u' ';
    metrics->tmItalic = measured.italic ? 255 : 0;
    metrics->tmUnderlined = measured.underline ? 255 : 0;
    metrics->tmStruckOut = measured.strikeOut ? 255 : 0;
    // Variable pitch, outlines, TrueType; the family of proportional faces without serifs.
    metrics->tmPitchAndFamily = 0x27;
    metrics->tmCharSet = font.lfCharSet;
    return TRUE;
}

BOOL GetTextExtentExPoint(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* extents, SIZE* size)
{
    FontFace* face = gdi().currentFace(dc, screenDpi());
    if (!face || count < 0 || (count > 0 && !text))
        return FALSE;
    const std::vector<int> advances = face->advances(std::u16string_view(text, static_cast<std::size_t>(count)));
    int total = 0;
    int fitting = 0;
    for (std::size_t index = 0; index < advances.size(); ++index) {
        total += advances[index];
        if (total <= maxExtent && fitting == static_cast<int>(index))
            fitting = static_cast<int>(index) + 1;
        // With `fit` asked for, only the extents of the characters that fit are given.
        if (extents && (!fit || total <= maxExtent))
            extents[index] = total;
    }
    if (fit)
        *fit = fitting;
    if (size)
        *size = SIZE { total, face->height() };
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, LPCWSTR text, int count, SIZE* size)
{
    return GetTextExtentExPoint(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* advances)
{
    const Gdi::ContextState* state = gdi().context(dc);
    FontFace* face = gdi().currentFace(dc, screenDpi());
    if (!state || !face || (count > 0 && !text))
        return FALSE;
    // The screen's own context has no surface: what is drawn there is not kept.
    const auto target = gdi().target(dc);
    if (!target)
        return TRUE;
    if ((options & ETO_OPAQUE) && rect)
        target->surface.fill(textArea(*target, rect), state->backgroundColor);
    const RECT area = textArea(*target, (options & ETO_CLIPPED) ? rect : nullptr);
    drawRun(*target, *state, *face, x, y, std::u16string_view(text, count), advances, area);
    return TRUE;
}

int DrawText(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format)
{
    const Gdi::ContextState* state = gdi().context(dc);
    FontFace* face = gdi().currentFace(dc, screenDpi());
    if (!state || !face || !rect || (count != 0 && !text))
        return 0;
    const std::u16string_view source = count < 0 ? std::u16string_view(text) : std::u16string_view(text, static_cast<std::size_t>(count));
    const RECT bounds = *rect;
    const TextLayout layout(*face, source, format, bounds.right - bounds.left);
    const int lineHeight = face->height();
    const int height = lineHeight * static_cast<int>(layout.lines().size());
    if (format & DT_CALCRECT) {
        rect->right = rect->left + layout.width();
        rect->bottom = rect->top + height;
        return height;
    }

    int top = bounds.top;
    const bool placedVertically = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM));
    if (placedVertically)
        top = (format & DT_VCENTER) ? bounds.top + (bounds.bottom - bounds.top - height) / 2 : bounds.bottom - height;
    const auto target = gdi().target(dc);
    if (target) {
        const RECT area = textArea(*target, (format & DT_NOCLIP) ? nullptr : &bounds);
        int y = top;
        for (const TextLayout::Line& line : layout.lines()) {
            int x = bounds.left;
            if (format & DT_CENTER)
                x = bounds.left + (bounds.right - bounds.left - line.width) / 2;
            else if (format & DT_RIGHT)
                x = bounds.right - line.width;
            drawRun(*target, *state, *face, x, y, line.text, nullptr, area);
            if (line.underlined) {
                const std::u16string_view before = std::u16string_view(line.text).substr(0, *line.underlined);
                const int left = x + target->origin.x + face->width(before);
                const int right = left + face->width(std::u16string_view(line.text).substr(*line.underlined, 1));
                const int ruleTop = y + target->origin.y + face->metrics().ascent + face->metrics().underlineOffset;
                target->surface.fill(intersection(area, RECT { left, ruleTop, right, ruleTop + face->metrics().underlineThickness }),
                                     state->textColor);
            }
            y += lineHeight;
        }
    }
    return placedVertically ? top + height - bounds.top : height;
}
