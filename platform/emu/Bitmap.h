// A 24-bit picture in memory: what windows draw into, what the screen is composed from, and what a
// memory device context draws into when a bitmap is selected there.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <vector>

namespace emu {

class Bitmap {
public:
    // How the pixels lie in memory. A surface keeps rows top to bottom, three bytes a pixel in the order
    // red, green, blue. A device-independent bitmap keeps them as the platform's programs read them:
    // blue, green, red, each row padded to a multiple of four bytes, bottom row first unless top-down.
    enum class Layout { Surface, BottomUpDib, TopDownDib };

    // The largest bitmap the device makes or decodes: 16 megapixels.
    static constexpr std::uint64_t maxPixels = 16ULL * 1024 * 1024;

    Bitmap(int width, int height, COLORREF fill = 0, Layout = Layout::Surface);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Layout layout() const { return m_layout; }
    // Bytes from the start of one row to the next.
    std::size_t stride() const { return m_stride; }
    COLORREF pixel(int x, int y) const;
    void setPixel(int x, int y, COLORREF);
    // Fills the part of `rect` that lies inside the bitmap.
    void fill(const RECT& rect, COLORREF);
    // Copies `source` with its top left corner at (x, y), clipped to this bitmap.
    void draw(const Bitmap& source, int x, int y);
    // The pixels of row `y` (0 is the top row), in the layout's order.
    std::uint8_t* row(int y) { return m_bytes.data() + rowOffset(y); }
    const std::uint8_t* row(int y) const { return m_bytes.data() + rowOffset(y); }
    // All the bytes, in the layout's order: for a surface, rows top to bottom in red, green, blue.
    const std::vector<std::uint8_t>& rgb() const { return m_bytes; }
    std::uint8_t* bits() { return m_bytes.data(); }

private:
    std::size_t rowOffset(int y) const;
    std::size_t offset(int x, int y) const { return rowOffset(y) + static_cast<std::size_t>(x) * 3; }

    int m_width;
    int m_height;
    Layout m_layout;
    std::size_t m_stride;
    std::vector<std::uint8_t> m_bytes;
};

}
