// NumberParts: the core split, the prefix split into text and opening, and the suffix split into
// closing and trailing text.
#include "vyx/contacts/NumberParts.h"

#include <cstddef>

namespace vyx {

namespace {

bool isOneOf(char16_t character, std::u16string_view set) { return set.find(character) != std::u16string_view::npos; }

// A prefix ending in one of these has an opening.
constexpr std::u16string_view openingEnds = u"()[]{}=-+~\\|/";
// Characters that join an opening's last character in front of it.
constexpr std::u16string_view openingLeads = u"+([{";
constexpr std::u16string_view closings = u")]}";

void splitPrefix(std::u16string_view prefix, NumberParts& parts)
{
    std::size_t openingStart = prefix.size();
    if (!prefix.empty() && isOneOf(prefix.back(), openingEnds)) {
        const char16_t last = prefix.back();
        while (openingStart > 0 && (prefix[openingStart - 1] == last || isOneOf(prefix[openingStart - 1], openingLeads)))
            --openingStart;
    }
    parts.text.Append(prefix.substr(0, openingStart));
    parts.opening.Append(prefix.substr(openingStart));
}

void splitSuffix(std::u16string_view suffix, NumberParts& parts)
{
    std::size_t closingEnd = 0;
    if (!suffix.empty() && isOneOf(suffix.front(), closings)) {
        while (closingEnd < suffix.size() && isOneOf(suffix[closingEnd], closings))
            ++closingEnd;
    }
    parts.closing.Append(suffix.substr(0, closingEnd));
    parts.trailing.Append(suffix.substr(closingEnd));
}

}

NumberParts NumberParts::Split(std::u16string_view text, std::u16string_view coreSet)
{
    NumberParts parts;
    const std::size_t first = text.find_first_of(coreSet);
    if (first == std::u16string_view::npos) {
        parts.core.Append(text);
        return parts;
    }
    const std::size_t last = text.find_last_of(coreSet);
    splitPrefix(text.substr(0, first), parts);
    parts.core.Append(text.substr(first, last - first + 1));
    splitSuffix(text.substr(last + 1), parts);
    return parts;
}

bool NumberParts::Fits() const
{
    return !text.Overflowed() && !opening.Overflowed() && !core.Overflowed() && !closing.Overflowed() && !trailing.Overflowed();
}

}
