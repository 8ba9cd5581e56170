#include "platform/emu/Gdi.h"

#include "platform/emu/Bitmap.h"
#include "platform/emu/FontEngine.h"
#include "platform/emu/WindowManager.h"

#include <array>
#include <string_view>
#include <utility>

namespace emu {

namespace {
// Stock objects and system colour brushes have fixed handle values, as on the device.
constexpr std::uintptr_t stockObjectBase = 0x4000000;
constexpr std::uintptr_t systemBrushBase = 0x4100000;
constexpr std::array<COLORREF, 5> stockBrushColors { RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
    RGB(64, 64, 64), RGB(0, 0, 0) };
constexpr int nullBrushIndex = 5;
constexpr std::uintptr_t systemFontHandle = stockObjectBase + SYSTEM_FONT;
constexpr std::uintptr_t stockBitmapHandle = stockObjectBase + 21;

// The system font is 12 pixels high at 96 dots per inch.
constexpr LONG systemFontHeightAt96 = 12;
constexpr std::u16string_view systemFontFace = u"Tahoma";
}

Gdi::Gdi(WindowManager& windows)
    : m_windows(windows)
    , m_fontEngine(std::make_unique<FontEngine>())
    , m_stockBitmap(std::make_unique<Bitmap>(1, 1))
{
}

Gdi::~Gdi() = default;

HDC Gdi::windowContext(HWND hwnd)
{
    if (hwnd && !m_windows.find(hwnd))
        return nullptr;
    const std::uintptr_t value = m_nextContext++;
    m_contexts.emplace(value, ContextState { hwnd, reinterpret_cast<HGDIOBJ>(systemFontHandle), stockObject(WHITE_BRUSH),
                                             RGB(0, 0, 0), RGB(255, 255, 255), OPAQUE, nullptr });
    return reinterpret_cast<HDC>(value);
}

HDC Gdi::memoryContext()
{
    const HDC dc = windowContext(nullptr);
    context(dc)->bitmap = reinterpret_cast<HGDIOBJ>(stockBitmapHandle);
    return dc;
}

bool Gdi::deleteMemoryContext(HDC dc)
{
    const ContextState* state = context(dc);
    return state && state->bitmap && releaseContext(dc);
}

bool Gdi::releaseContext(HDC dc)
{
    return m_contexts.erase(reinterpret_cast<std::uintptr_t>(dc)) > 0;
}

Gdi::ContextState* Gdi::context(HDC dc)
{
    const auto it = m_contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    return it == m_contexts.end() ? nullptr : &it->second;
}

HGDIOBJ Gdi::select(HDC dc, HGDIOBJ object)
{
    ContextState* state = context(dc);
    if (!state)
        return nullptr;
    const auto value = reinterpret_cast<std::uintptr_t>(object);
    if (isBitmap(value)) {
        if (!state->bitmap || (object != state->bitmap && isSelected(object) && value != stockBitmapHandle))
            return nullptr;
        return std::exchange(state->bitmap, object);
    }
    HGDIOBJ* slot = isFont(value) ? &state->font : isBrush(value) ? &state->brush : nullptr;
    if (!slot)
        return nullptr;
    HGDIOBJ previous = *slot;
    *slot = object;
    return previous;
}

HBRUSH Gdi::createBrush(COLORREF color)
{
    const std::uintptr_t value = m_nextObject++;
    m_brushes.emplace(value, color);
    return reinterpret_cast<HBRUSH>(value);
}

HFONT Gdi::createFont(const LOGFONT& font)
{
    const std::uintptr_t value = m_nextObject++;
    m_fonts.emplace(value, font);
    return reinterpret_cast<HFONT>(value);
}

HBITMAP Gdi::createBitmap(Bitmap pixels)
{
    const std::uintptr_t value = m_nextObject++;
    m_bitmaps.emplace(value, std::make_unique<Bitmap>(std::move(pixels)));
    return reinterpret_cast<HBITMAP>(value);
}

Bitmap* Gdi::bitmap(HGDIOBJ object) const
{
    const auto value = reinterpret_cast<std::uintptr_t>(object);
    if (value == stockBitmapHandle)
        return m_stockBitmap.get();
    const auto it = m_bitmaps.find(value);
    return it == m_bitmaps.end() ? nullptr : it->second.get();
}

bool Gdi::deleteObject(HGDIOBJ object)
{
    const auto value = reinterpret_cast<std::uintptr_t>(object);
    // Deleting a stock object is allowed and does nothing.
    if (value >= stockObjectBase && value < systemBrushBase + 64)
        return true;
    if (isSelected(object))
        return false;
    return m_brushes.erase(value) > 0 || m_fonts.erase(value) > 0 || m_bitmaps.erase(value) > 0;
}

HGDIOBJ Gdi::stockObject(int index) const
{
    if ((index < 0 || index > nullBrushIndex) && index != SYSTEM_FONT)
        return nullptr;
    return reinterpret_cast<HGDIOBJ>(stockObjectBase + static_cast<std::uintptr_t>(index));
}

HBRUSH Gdi::systemColorBrush(int index) const
{
    if (!systemColor(index))
        return nullptr;
    return reinterpret_cast<HBRUSH>(systemBrushBase + static_cast<std::uintptr_t>(index));
}

std::optional<COLORREF> Gdi::systemColor(int index)
{
    switch (index) {
    case 0: return RGB(200, 200, 200);
    case 1: return RGB(0, 0, 0);
    case 5: return RGB(255, 255, 255);
    case 8: return RGB(0, 0, 0);
    case 13: return RGB(0, 0, 128);
    case 14: return RGB(255, 255, 255);
    case 15: return RGB(192, 192, 192);
    case 18: return RGB(0, 0, 0);
    default: return std::nullopt;
    }
}

std::optional<COLORREF> Gdi::brushColor(HBRUSH brush) const
{
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (const auto it = m_brushes.find(value); it != m_brushes.end())
        return it->second;
    if (value >= stockObjectBase && value < stockObjectBase + stockBrushColors.size())
        return stockBrushColors[value - stockObjectBase];
    if (value >= systemBrushBase && value < systemBrushBase + 64)
        return systemColor(static_cast<int>(value - systemBrushBase));
    // A class background may name a system colour as its index + 1.
    if (value > 0 && value <= 64)
        return systemColor(static_cast<int>(value) - 1);
    return std::nullopt;
}

std::optional<LOGFONT> Gdi::logicalFont(HGDIOBJ object, int dpi) const
{
    const auto value = reinterpret_cast<std::uintptr_t>(object);
    if (value == systemFontHandle)
        return systemFont(dpi);
    if (const auto it = m_fonts.find(value); it != m_fonts.end())
        return it->second;
    return std::nullopt;
}

LOGFONT Gdi::systemFont(int dpi)
{
    LOGFONT font {};
    font.lfHeight = -((systemFontHeightAt96 * dpi + 48) / 96);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    systemFontFace.copy(font.lfFaceName, systemFontFace.size());
    return font;
}

FontFace* Gdi::currentFace(HDC dc, int dpi)
{
    const ContextState* state = context(dc);
    if (!state)
        return nullptr;
    std::optional<LOGFONT> font = logicalFont(state->font, dpi);
    if (!font)
        return nullptr;
    if (font->lfHeight == 0)
        font->lfHeight = systemFont(dpi).lfHeight;
    return &m_fontEngine->face(*font);
}

std::optional<Gdi::Target> Gdi::target(HDC dc) const
{
    const auto it = m_contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    if (it == m_contexts.end())
        return std::nullopt;
    if (Bitmap* selected = bitmap(it->second.bitmap))
        return Target { *selected, POINT {}, RECT { 0, 0, selected->width(), selected->height() } };
    if (!it->second.window)
        return std::nullopt;
    const Window* window = m_windows.find(it->second.window);
    if (!window)
        return std::nullopt;
    POINT origin {};
    Window* owner = m_windows.surfaceOwner(*window, origin);
    return Target { *owner->surface, origin, RECT { origin.x, origin.y, origin.x + window->width(), origin.y + window->height() } };
}

bool Gdi::isBrush(std::uintptr_t value) const
{
    return m_brushes.contains(value) || (value >= stockObjectBase && value <= stockObjectBase + nullBrushIndex)
        || (value >= systemBrushBase && value < systemBrushBase + 64 && systemColor(static_cast<int>(value - systemBrushBase)));
}

bool Gdi::isFont(std::uintptr_t value) const
{
    return value == systemFontHandle || m_fonts.contains(value);
}

bool Gdi::isBitmap(std::uintptr_t value) const
{
    return value == stockBitmapHandle || m_bitmaps.contains(value);
}

bool Gdi::isSelected(HGDIOBJ object) const
{
    for (const auto& [handle, state] : m_contexts) {
        if (state.font == object || state.brush == object || state.bitmap == object)
            return true;
    }
    return false;
}

}
