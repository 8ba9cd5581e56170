// A 24-bit picture in memory: what windows draw into and what the screen is composed from.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <vector>

namespace emu {

class Bitmap {
public:
    Bitmap(int width, int height, COLORREF fill = 0);

    int width() const { return m_width; }
    int height() const { return m_height; }
    COLORREF pixel(int x, int y) const;
    void setPixel(int x, int y, COLORREF);
    // Fills the part of `rect` that lies inside the bitmap.
    void fill(const RECT& rect, COLORREF);
    // Copies `source` with its top left corner at (x, y), clipped to this bitmap.
    void draw(const Bitmap& source, int x, int y);
    // Rows top to bottom, three bytes a pixel in the order red, green, blue.
    const std::vector<std::uint8_t>& rgb() const { return m_rgb; }

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_rgb;
};

}
