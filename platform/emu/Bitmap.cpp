#include "platform/emu/Bitmap.h"

#include <algorithm>

namespace emu {

namespace {
std::size_t strideOf(int width, Bitmap::Layout layout)
{
    const std::size_t packed = static_cast<std::size_t>(width) * 3;
    return layout == Bitmap::Layout::Surface ? packed : (packed + 3) / 4 * 4;
}
}

Bitmap::Bitmap(int width, int height, COLORREF fill, Layout layout)
    : m_width(std::max(width, 0))
    , m_height(std::max(height, 0))
    , m_layout(layout)
    , m_stride(strideOf(m_width, layout))
    , m_bytes(m_stride * static_cast<std::size_t>(m_height))
{
    if (fill != 0)
        this->fill(RECT { 0, 0, m_width, m_height }, fill);
}

std::size_t Bitmap::rowOffset(int y) const
{
    const int stored = m_layout == Layout::BottomUpDib ? m_height - 1 - y : y;
    return static_cast<std::size_t>(stored) * m_stride;
}

COLORREF Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    const std::uint8_t* at = &m_bytes[offset(x, y)];
    return m_layout == Layout::Surface ? RGB(at[0], at[1], at[2]) : RGB(at[2], at[1], at[0]);
}

void Bitmap::setPixel(int x, int y, COLORREF color)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    std::uint8_t* at = &m_bytes[offset(x, y)];
    const bool surface = m_layout == Layout::Surface;
    at[0] = surface ? GetRValue(color) : GetBValue(color);
    at[1] = GetGValue(color);
    at[2] = surface ? GetBValue(color) : GetRValue(color);
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
        if (source.m_layout == m_layout) {
            const std::uint8_t* from = &source.m_bytes[source.offset(left - x, row - y)];
            std::copy_n(from, static_cast<std::size_t>(right - left) * 3, &m_bytes[offset(left, row)]);
            continue;
        }
        for (int column = left; column < right; ++column)
            setPixel(column, row, source.pixel(column - x, row - y));
    }
}

}
