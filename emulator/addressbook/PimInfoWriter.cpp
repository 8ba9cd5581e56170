// PimInfoWriter: escaping of entries, a block of its own, and finding a section inside a block the
// notes already hold.
#include "emulator/addressbook/PimInfoWriter.h"

#include "platform/emu/Text.h"

#include <unicode/uchar.h>

#include <optional>

namespace devemu {

namespace {

constexpr std::u16string_view startMarker = u"== start pim information ==";
constexpr std::u16string_view endMarker = u"== end pim information ==";

std::u16string_view sectionName(PimInfoWriter::Section section)
{
    switch (section) {
    case PimInfoWriter::Section::Phone:
        return u"Phone";
    case PimInfoWriter::Section::Email:
        return u"Email";
    case PimInfoWriter::Section::WebPage:
        return u"WebPage";
    case PimInfoWriter::Section::Address:
        return u"Address";
    case PimInfoWriter::Section::Date:
        return u"Date";
    }
    return u"Phone";
}

bool isSpecial(char16_t c)
{
    return c == u':' || c == u';' || c == u'[' || c == u']';
}

bool isWhiteSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string escaped(std::u16string_view text)
{
    std::u16string out;
    for (const char16_t c : text) {
        if (isSpecial(c))
            out += u'\\';
        out += c < 0x20 ? u' ' : c;
    }
    // A last backslash would protect the entry's own ']' or ';': a blank keeps them apart, and readers
    // drop trailing blanks.
    if (!out.empty() && out.back() == u'\\')
        out += u' ';
    return out;
}

std::u16string escapedLabel(std::u16string_view label)
{
    std::size_t first = 0;
    while (first < label.size() && !u_isalnum(label[first]))
        ++first;
    return first < label.size() ? escaped(label.substr(first)) : std::u16string(u"Other");
}

// Where `i` is a '[', the position after its closing ']' (a backslash protects the next character);
// nullopt when the bracket is not closed before `end`.
std::optional<std::size_t> afterBracket(std::u16string_view text, std::size_t i, std::size_t end)
{
    for (++i; i < end; ++i) {
        if (text[i] == u'\\')
            ++i;
        else if (text[i] == u']')
            return i + 1;
    }
    return std::nullopt;
}

// In the block text[from, end), the position after the last entry of the section `name` (compared
// without regard to case, as readers of the block do); nullopt when there is no such section, or the
// block breaks off inside an entry.
std::optional<std::size_t> endOfSection(std::u16string_view text, std::size_t from, std::size_t end, std::u16string_view name)
{
    const std::u16string wanted = emu::foldCase(name);
    std::size_t i = from;
    while (i < end) {
        if (text[i] == u'[') {
            const auto after = afterBracket(text, i, end);
            if (!after)
                return std::nullopt;
            i = *after;
            continue;
        }
        if (isWhiteSpace(text[i]) || isSpecial(text[i])) {
            ++i;
            continue;
        }
        const std::size_t runStart = i;
        while (i < end && !isWhiteSpace(text[i]) && !isSpecial(text[i]))
            i += text[i] == u'\\' && i + 1 < end ? 2 : 1;
        if (i == end || text[i] != u':' || emu::foldCase(text.substr(runStart, i - runStart)) != wanted)
            continue;
        std::size_t position = i + 1;
        for (std::size_t j = position; j < end;) {
            if (isWhiteSpace(text[j])) {
                ++j;
            } else if (text[j] == u'[') {
                const auto after = afterBracket(text, j, end);
                if (!after)
                    return std::nullopt;
                position = j = *after;
            } else {
                break;
            }
        }
        return position;
    }
    return std::nullopt;
}

bool endsWithLineBreak(std::u16string_view text)
{
    return !text.empty() && text.back() == u'\n';
}

}

void PimInfoWriter::add(Section section, std::u16string_view label, std::u16string_view value)
{
    m_entries[section].push_back(u"[" + escapedLabel(label) + u": " + escaped(value) + u"]");
}

void PimInfoWriter::addAddress(std::u16string_view label, const std::array<std::u16string, 5>& parts)
{
    std::u16string entry = u"[" + escapedLabel(label) + u": ";
    for (std::size_t i = 0; i < parts.size(); ++i)
        entry += (i > 0 ? u"; " : u"") + escaped(parts[i]);
    m_entries[Section::Address].push_back(entry + u"]");
}

std::u16string PimInfoWriter::appendTo(std::u16string notes) const
{
    if (m_entries.empty())
        return notes;
    const std::size_t start = notes.find(startMarker);
    if (start == std::u16string::npos) {
        if (!notes.empty() && !endsWithLineBreak(notes))
            notes += u"\r\n";
        notes += startMarker;
        notes += u"\r\n";
        for (const auto& [section, entries] : m_entries) {
            notes += sectionName(section);
            notes += u":";
            for (const std::u16string& entry : entries)
                notes += u" " + entry;
            notes += u"\r\n";
        }
        notes += endMarker;
        return notes;
    }
    const std::size_t blockStart = start + startMarker.size();
    std::size_t blockEnd = notes.find(endMarker, blockStart);
    if (blockEnd == std::u16string::npos)
        blockEnd = notes.size();
    for (const auto& [section, entries] : m_entries) {
        std::u16string added;
        for (const std::u16string& entry : entries)
            added += u" " + entry;
        if (const auto at = endOfSection(notes, blockStart, blockEnd, sectionName(section))) {
            notes.insert(*at, added);
        } else {
            added = (endsWithLineBreak(std::u16string_view(notes).substr(0, blockEnd)) ? u"" : u"\r\n") + std::u16string(sectionName(section)) + u":" + added + u"\r\n";
            notes.insert(blockEnd, added);
        }
        blockEnd += added.size();
    }
    return notes;
}

}
