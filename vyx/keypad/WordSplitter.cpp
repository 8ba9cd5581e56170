#include "vyx/keypad/WordSplitter.h"

#include <array>

namespace keypad {

namespace {

constexpr std::u16string_view separators = u"\r\n\t `!@#$%^&*()_|{}:\"/<>?[];',.№-=\\";

// The ASCII separators as a table: searches split every character of a text, digits the most.
constexpr std::array<bool, 128> asciiSeparators = [] {
    std::array<bool, 128> table {};
    for (const char16_t character : separators) {
        if (character < table.size())
            table[character] = true;
    }
    return table;
}();

}

bool WordSplitter::IsSeparator(char16_t character)
{
    if (character < asciiSeparators.size())
        return asciiSeparators[character];
    return separators.find(character) != std::u16string_view::npos;
}

std::vector<Str> WordSplitter::Words(std::u16string_view text)
{
    std::vector<Str> words;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !IsSeparator(text[at]))
            continue;
        if (at > start)
            words.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
    return words;
}

}
