#include "platform/emu/Gdi.h"

#include "platform/emu/WindowManager.h"

#include <array>

namespace emu {

namespace {
// Stock brushes and system colour brushes have fixed handle values, as on the device.
constexpr std::uintptr_t stockBrushBase = 0x4000000;
constexpr std::uintptr_t systemBrushBase = 0x4100000;
constexpr std::array<COLORREF, 5> stockBrushColors { RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
    RGB(64, 64, 64), RGB(0, 0, 0) };
constexpr int nullBrushIndex = 5;
}

Gdi::Gdi(WindowManager& windows)
    : m_windows(windows)
{
}

HDC Gdi::windowContext(HWND hwnd)
{
    if (!m_windows.find(hwnd))
        return nullptr;
    const std::uintptr_t value = m_nextContext++;
    m_contexts.emplace(value, hwnd);
    return reinterpret_cast<HDC>(value);
}

bool Gdi::releaseContext(HDC dc)
{
    return m_contexts.erase(reinterpret_cast<std::uintptr_t>(dc)) > 0;
}

HBRUSH Gdi::createBrush(COLORREF color)
{
    const std::uintptr_t value = m_nextObject++;
    m_brushes.emplace(value, color);
    return reinterpret_cast<HBRUSH>(value);
}

bool Gdi::deleteObject(HGDIOBJ object)
{
    const auto value = reinterpret_cast<std::uintptr_t>(object);
    // Deleting a stock object is allowed and does nothing.
    if (value >= stockBrushBase && value < systemBrushBase + 64)
        return true;
    return m_brushes.erase(value) > 0;
}

HBRUSH Gdi::stockBrush(int index) const
{
    if (index < 0 || index > nullBrushIndex)
        return nullptr;
    return reinterpret_cast<HBRUSH>(stockBrushBase + static_cast<std::uintptr_t>(index));
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
    if (value >= stockBrushBase && value < stockBrushBase + stockBrushColors.size())
        return stockBrushColors[value - stockBrushBase];
    if (value >= systemBrushBase && value < systemBrushBase + 64)
        return systemColor(static_cast<int>(value - systemBrushBase));
    // A class background may name a system colour as its index + 1.
    if (value > 0 && value <= 64)
        return systemColor(static_cast<int>(value) - 1);
    return std::nullopt;
}

std::optional<Gdi::Target> Gdi::target(HDC dc) const
{
    const auto it = m_contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    if (it == m_contexts.end())
        return std::nullopt;
    const Window* window = m_windows.find(it->second);
    if (!window)
        return std::nullopt;
    POINT origin {};
    Window* owner = m_windows.surfaceOwner(*window, origin);
    return Target { *owner->surface, origin, RECT { origin.x, origin.y, origin.x + window->width(), origin.y + window->height() } };
}

}
