// How DrawText lays a text out in a rectangle: '&' marks the next character to underline (unless
// DT_NOPREFIX), line breaks start new lines (unless DT_SINGLELINE), DT_WORDBREAK breaks lines between
// words, and DT_END_ELLIPSIS cuts a line too wide for the rectangle and ends it in "...".
#pragma once

#include "platform/api/WinTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

class FontFace;

class TextLayout {
public:
    struct Line {
        std::u16string text;
        int width;
        // The character a prefix marks, by its index in `text`.
        std::optional<std::size_t> underlined;
    };

    TextLayout(FontFace&, std::u16string_view text, UINT format, int maxWidth);

    const std::vector<Line>& lines() const { return m_lines; }
    // The widest line.
    int width() const;

private:
    struct Span {
        std::size_t begin;
        std::size_t end;
    };
    std::vector<Span> paragraphs(UINT format) const;
    std::vector<Span> wrapped(Span paragraph, int maxWidth) const;
    void addLine(Span, FontFace&, bool ellipsis, int maxWidth);
    int width(Span span) const { return m_offsets[span.end] - m_offsets[span.begin]; }

    std::u16string m_text;
    std::optional<std::size_t> m_prefixed;
    // m_offsets[i]: the pen position before character i.
    std::vector<int> m_offsets;
    std::vector<Line> m_lines;
};

}
