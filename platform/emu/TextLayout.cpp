#include "platform/emu/TextLayout.h"

#include "platform/api/WinGdi.h"
#include "platform/emu/FontFace.h"

#include <algorithm>

namespace emu {

namespace {
constexpr std::u16string_view ellipsisText = u"...";

bool isLineBreak(char16_t unit)
{
    return unit == u'\r' || unit == u'\n';
}
}

TextLayout::TextLayout(FontFace& face, std::u16string_view text, UINT format, int maxWidth)
{
    if (format & DT_NOPREFIX) {
        m_text = text;
    } else {
        // "&&" stands for "&"; a single '&' marks the character after it and is not shown.
        for (std::size_t at = 0; at < text.size(); ++at) {
            if (text[at] != u'&') {
                m_text += text[at];
            } else if (at + 1 < text.size() && text[at + 1] == u'&') {
                m_text += u'&';
                ++at;
            } else if (at + 1 < text.size() && !m_prefixed) {
                m_prefixed = m_text.size();
            }
        }
    }
    m_offsets.assign(1, 0);
    for (const int advance : face.advances(m_text))
        m_offsets.push_back(m_offsets.back() + advance);

    const bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
    const bool ellipsis = (format & DT_END_ELLIPSIS) != 0;
    for (const Span paragraph : paragraphs(format)) {
        if (!wrap) {
            addLine(paragraph, face, ellipsis, maxWidth);
            continue;
        }
        for (const Span line : wrapped(paragraph, maxWidth))
            addLine(line, face, ellipsis, maxWidth);
    }
}

int TextLayout::width() const
{
    int widest = 0;
    for (const Line& line : m_lines)
        widest = std::max(widest, line.width);
    return widest;
}

std::vector<TextLayout::Span> TextLayout::paragraphs(UINT format) const
{
    if (m_text.empty())
        return {};
    if (format & DT_SINGLELINE)
        return { Span { 0, m_text.size() } };
    // A break at the very end starts no further line.
    std::vector<Span> result;
    std::size_t begin = 0;
    for (std::size_t at = 0; at < m_text.size(); ++at) {
        if (!isLineBreak(m_text[at]))
            continue;
        result.push_back(Span { begin, at });
        if (m_text[at] == u'\r' && at + 1 < m_text.size() && m_text[at + 1] == u'\n')
            ++at;
        begin = at + 1;
    }
    if (begin < m_text.size())
        result.push_back(Span { begin, m_text.size() });
    return result;
}

std::vector<TextLayout::Span> TextLayout::wrapped(Span paragraph, int maxWidth) const
{
    // Each line takes words while they fit, and at least one; the spaces a line breaks at are dropped,
    // and a word wider than the rectangle stands alone on its line.
    std::vector<Span> lines;
    std::size_t start = paragraph.begin;
    while (true) {
        std::size_t end = start;
        std::size_t at = start;
        while (at < paragraph.end) {
            std::size_t wordBegin = at;
            while (wordBegin < paragraph.end && m_text[wordBegin] == u' ')
                ++wordBegin;
            if (wordBegin == paragraph.end)
                break;
            std::size_t wordEnd = wordBegin;
            while (wordEnd < paragraph.end && m_text[wordEnd] != u' ')
                ++wordEnd;
            if (end > start && width(Span { start, wordEnd }) > maxWidth)
                break;
            end = wordEnd;
            at = wordEnd;
        }
        lines.push_back(Span { start, end });
        start = at;
        while (start < paragraph.end && m_text[start] == u' ')
            ++start;
        if (start >= paragraph.end)
            return lines;
    }
}

void TextLayout::addLine(Span span, FontFace& face, bool ellipsis, int maxWidth)
{
    Line line { m_text.substr(span.begin, span.end - span.begin), width(span), std::nullopt };
    std::size_t shown = line.text.size();
    if (ellipsis && line.width > maxWidth) {
        const int ellipsisWidth = face.width(ellipsisText);
        shown = 0;
        while (span.begin + shown < span.end && width(Span { span.begin, span.begin + shown + 1 }) + ellipsisWidth <= maxWidth)
            ++shown;
        // Never half a surrogate pair.
        if (shown > 0 && line.text[shown - 1] >= 0xD800 && line.text[shown - 1] <= 0xDBFF)
            --shown;
        line.text = line.text.substr(0, shown) + std::u16string(ellipsisText);
        line.width = width(Span { span.begin, span.begin + shown }) + ellipsisWidth;
    }
    if (m_prefixed && *m_prefixed >= span.begin && *m_prefixed < span.begin + shown)
        line.underlined = *m_prefixed - span.begin;
    m_lines.push_back(std::move(line));
}

}
