// One font at one size: its FreeType face, the metrics the device reports for it, and its glyphs,
// rendered anti-aliased once and kept.
#pragma once

#include "platform/api/WinGdi.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace emu {

class Bitmap;

class FontFace {
public:
    // Pixels; offsets of lines are from the baseline, downwards for the underline, upwards for the
    // strike-out.
    struct Metrics {
        int ascent;
        int descent;
        int emHeight;
        int externalLeading;
        int averageWidth;
        int maxWidth;
        int weight;
        bool italic;
        bool underline;
        bool strikeOut;
        int underlineOffset;
        int underlineThickness;
        int strikeOutOffset;
        int strikeOutThickness;
        char16_t firstChar;
        char16_t lastChar;
    };
    // A glyph's coverage, 0 to 255 a pixel, rows top to bottom; `left` and `top` place it from the
    // pen position on the baseline.
    struct Glyph {
        int advance;
        int left;
        int top;
        int width;
        int rows;
        std::vector<std::uint8_t> coverage;
    };
    // What the face lacks of the logical font and FreeType makes up: a bolder or a slanted outline.
    struct Synthesis {
        bool bold;
        bool italic;
    };

    // Takes ownership of `face` and sizes it for the logical font, whose height is not 0.
    FontFace(FT_Face face, const LOGFONT&, Synthesis);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const Metrics& metrics() const { return m_metrics; }
    int height() const { return m_metrics.ascent + m_metrics.descent; }
    const Glyph& glyph(char32_t);
    // The advance of each UTF-16 unit of the text; the second unit of a surrogate pair advances by 0.
    std::vector<int> advances(std::u16string_view);
    int width(std::u16string_view);
    // Blends the text in `color` onto the bitmap inside `clip`, the top left of its cell at (x, y);
    // `advances`, when given, holds one advance for each UTF-16 unit and replaces the glyphs' own.
    void draw(Bitmap&, int x, int y, std::u16string_view, const int* advances, COLORREF, const RECT& clip);

private:
    FT_Face m_face;
    Synthesis m_synthesis;
    Metrics m_metrics;
    std::map<char32_t, Glyph> m_glyphs;
};

}
