#include "platform/emu/Bitmap.h"

#include <algorithm>

namespace emu {

Bitmap::Bitmap(int width, int height, COLORREF fill)
    : m_width(std::max(width, 0))
    , m_height(std::max(height, 0))
    , m_rgb(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 3)
{
    this->fill(RECT { 0, 0, m_width, m_height }, fill);
}

COLORREF Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    const std::size_t at = (static_cast<std::size_t>(y) * m_width + x) * 3;
    return RGB(m_rgb[at], m_rgb[at + 1], m_rgb[at + 2]);
}

void Bitmap::setPixel(int x, int y, COLORREF color)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    const std::size_t at = (static_cast<std::size_t>(y) * m_width + x) * 3;
    m_rgb[at] = GetRValue(color);
    m_rgb[at + 1] = GetGValue(color);
    m_rgb[at + 2] = GetBValue(color);
}

void Bitmap::fill(const RECT& rect, COLORREF color)
{
    const int left = std::max<int>(rect.left, 0);
    const int right = std::min<int>(rect.right, m_width);
    const int top = std::max<int>(rect.top, 0);
    const int bottom = std::min<int>(rect.bottom, m_height);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x)
            setPixel(x, y, color);
    }
}

void Bitmap::draw(const Bitmap& source, int x, int y)
{
    const int left = std::max(x, 0);
    const int right = std::min(x + source.m_width, m_width);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + source.m_height, m_height);
    if (left >= right)
        return;
    for (int row = top; row < bottom; ++row) {
        const auto* from = &source.m_rgb[(static_cast<std::size_t>(row - y) * source.m_width + (left - x)) * 3];
        auto* to = &m_rgb[(static_cast<std::size_t>(row) * m_width + left) * 3];
        std::copy_n(from, static_cast<std::size_t>(right - left) * 3, to);
    }
}

}
