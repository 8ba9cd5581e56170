#include "platform/emu/FontFace.h"

#include "platform/emu/Bitmap.h"

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <stdexcept>
#include <string>

namespace emu {

namespace {

// value × numerator ÷ denominator, rounded half away from zero.
int scaledRounded(long value, long numerator, long denominator)
{
    const long product = value * numerator;
    const long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

struct CodePoint {
    char32_t code;
    std::size_t units;
};

// The character at `at`; an unpaired surrogate reads as the replacement character.
CodePoint codePointAt(std::u16string_view text, std::size_t at)
{
    const char16_t unit = text[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF)
        return { 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[at + 1] - 0xDC00), 2 };
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return { 0xFFFD, 1 };
    return { unit, 1 };
}

std::uint8_t mixed(std::uint8_t from, std::uint8_t to, int coverage)
{
    return static_cast<std::uint8_t>((from * (255 - coverage) + to * coverage + 127) / 255);
}

}

FontFace::FontFace(FT_Face face, const LOGFONT& font, Synthesis synthesis)
    : m_face(face)
    , m_synthesis(synthesis)
    , m_metrics {}
{
    const std::string family = face->family_name ? face->family_name : "?";
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        throw std::runtime_error("font face \"" + family + "\" has no outlines to scale");
    }
    const long unitsPerEm = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* horizontal = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    // The cell is what the face declares for Windows, where it declares it.
    const bool windowsMetrics = os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0;
    const long cellAscent = windowsMetrics ? os2->usWinAscent : face->ascender;
    const long cellDescent = windowsMetrics ? os2->usWinDescent : -face->descender;
    const long cellHeight = std::max(cellAscent + cellDescent, 1L);

    int emHeight = 0;
    if (font.lfHeight < 0) {
        emHeight = -font.lfHeight;
        m_metrics.ascent = scaledRounded(cellAscent, emHeight, unitsPerEm);
        m_metrics.descent = scaledRounded(cellDescent, emHeight, unitsPerEm);
    } else {
        emHeight = std::max(scaledRounded(font.lfHeight, unitsPerEm, cellHeight), 1);
        m_metrics.ascent = scaledRounded(cellAscent, font.lfHeight, cellHeight);
        m_metrics.descent = font.lfHeight - m_metrics.ascent;
    }
    m_metrics.emHeight = std::min(emHeight, m_metrics.ascent + m_metrics.descent);

    const long averageUnits = os2 && os2->version != 0xFFFF ? os2->xAvgCharWidth : 0;
    int emWidth = emHeight;
    if (font.lfWidth > 0 && averageUnits > 0)
        emWidth = std::max(scaledRounded(font.lfWidth, unitsPerEm, averageUnits), 1);
    if (const FT_Error error = FT_Set_Pixel_Sizes(face, emWidth == emHeight ? 0 : emWidth, emHeight)) {
        FT_Done_Face(face);
        throw std::runtime_error("font face \"" + family + "\" cannot be sized to " + std::to_string(emHeight)
                                 + " pixels (FreeType error " + std::to_string(error) + ")");
    }

    m_metrics.averageWidth = averageUnits > 0 ? scaledRounded(averageUnits, emWidth, unitsPerEm) : glyph(U'x').advance;
    m_metrics.maxWidth = scaledRounded(face->max_advance_width, emWidth, unitsPerEm);
    if (horizontal) {
        // Leading the face asks for beyond its cell.
        const long gap = horizontal->Line_Gap - (cellHeight - (horizontal->Ascender - horizontal->Descender));
        m_metrics.externalLeading = std::max(scaledRounded(gap, emHeight, unitsPerEm), 0);
    }
    m_metrics.weight = font.lfWeight == 0 ? FW_NORMAL : font.lfWeight;
    m_metrics.italic = font.lfItalic != 0;
    m_metrics.underline = font.lfUnderline != 0;
    m_metrics.strikeOut = font.lfStrikeOut != 0;

    m_metrics.underlineThickness = std::max(scaledRounded(face->underline_thickness, emHeight, unitsPerEm), 1);
    const int underlineCentre = scaledRounded(-face->underline_position, emHeight, unitsPerEm);
    m_metrics.underlineOffset = std::clamp(underlineCentre - m_metrics.underlineThickness / 2, 1,
                                           std::max(m_metrics.descent - m_metrics.underlineThickness, 1));
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        m_metrics.strikeOutThickness = std::max(scaledRounded(os2->yStrikeoutSize, emHeight, unitsPerEm), 1);
        m_metrics.strikeOutOffset = scaledRounded(os2->yStrikeoutPosition, emHeight, unitsPerEm);
    } else {
        m_metrics.strikeOutThickness = m_metrics.underlineThickness;
        m_metrics.strikeOutOffset = m_metrics.ascent / 3;
    }

    FT_UInt index = 0;
    const FT_ULong first = FT_Get_First_Char(face, &index);
    m_metrics.firstChar = static_cast<char16_t>(std::min<FT_ULong>(first, 0xFFFF));
    m_metrics.lastChar = m_metrics.firstChar;
    for (FT_ULong code = first; index != 0 && code <= 0xFFFF; code = FT_Get_Next_Char(face, code, &index))
        m_metrics.lastChar = static_cast<char16_t>(code);
}

FontFace::~FontFace()
{
    FT_Done_Face(m_face);
}

const FontFace::Glyph& FontFace::glyph(char32_t code)
{
    if (const auto it = m_glyphs.find(code); it != m_glyphs.end())
        return it->second;
    Glyph made {};
    const FT_UInt index = FT_Get_Char_Index(m_face, code);
    // Hinted outlines, so that stems and advances fall on whole pixels as the device's own text does.
    if (FT_Load_Glyph(m_face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) == 0) {
        FT_GlyphSlot slot = m_face->glyph;
        if (m_synthesis.italic)
            FT_GlyphSlot_Oblique(slot);
        if (m_synthesis.bold)
            FT_GlyphSlot_Embolden(slot);
        made.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap& bitmap = slot->bitmap;
            made.left = slot->bitmap_left;
            made.top = slot->bitmap_top;
            made.width = static_cast<int>(bitmap.width);
            made.rows = static_cast<int>(bitmap.rows);
            made.coverage.resize(static_cast<std::size_t>(made.width) * static_cast<std::size_t>(made.rows));
            for (int row = 0; row < made.rows; ++row) {
                const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
                std::copy_n(line, made.width, made.coverage.begin() + static_cast<std::ptrdiff_t>(row) * made.width);
            }
        }
    }
    return m_glyphs.emplace(code, std::move(made)).first->second;
}

std::vector<int> FontFace::advances(std::u16string_view text)
{
    std::vector<int> result(text.size(), 0);
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint character = codePointAt(text, at);
        result[at] = glyph(character.code).advance;
        at += character.units;
    }
    return result;
}

int FontFace::width(std::u16string_view text)
{
    int total = 0;
    for (const int advance : advances(text))
        total += advance;
    return total;
}

void FontFace::draw(Bitmap& surface, int x, int y, std::u16string_view text, const int* advances, COLORREF color,
                    const RECT& clip)
{
    const int left = std::max<int>(clip.left, 0);
    const int top = std::max<int>(clip.top, 0);
    const int right = std::min<int>(clip.right, surface.width());
    const int bottom = std::min<int>(clip.bottom, surface.height());
    const auto blend = [&](int px, int py, int coverage) {
        if (coverage == 0 || px < left || px >= right || py < top || py >= bottom)
            return;
        const COLORREF under = surface.pixel(px, py);
        surface.setPixel(px, py, RGB(mixed(GetRValue(under), GetRValue(color), coverage),
                                     mixed(GetGValue(under), GetGValue(color), coverage),
                                     mixed(GetBValue(under), GetBValue(color), coverage)));
    };

    const int baseline = y + m_metrics.ascent;
    int pen = x;
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint character = codePointAt(text, at);
        const Glyph& shape = glyph(character.code);
        for (int row = 0; row < shape.rows; ++row) {
            for (int column = 0; column < shape.width; ++column)
                blend(pen + shape.left + column, baseline - shape.top + row,
                      shape.coverage[static_cast<std::size_t>(row) * shape.width + column]);
        }
        if (advances)
            pen += advances[at] + (character.units == 2 ? advances[at + 1] : 0);
        else
            pen += shape.advance;
        at += character.units;
    }

    const auto rule = [&](int ruleTop, int thickness) {
        for (int py = ruleTop; py < ruleTop + thickness; ++py) {
            for (int px = x; px < pen; ++px)
                blend(px, py, 255);
        }
    };
    if (m_metrics.underline)
        rule(baseline + m_metrics.underlineOffset, m_metrics.underlineThickness);
    if (m_metrics.strikeOut)
        rule(baseline - m_metrics.strikeOutOffset, m_metrics.strikeOutThickness);
}

}
