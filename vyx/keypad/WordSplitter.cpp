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
    Str word;
    for (const char16_t character : text) {
        if (!IsSeparator(character)) {
            word += character;
            continue;
        }
        if (!word.IsEmpty())
            words.push_back(word);
        word.Empty();
    }
    if (!word.IsEmpty())
        words.push_back(word);
    return words;
}

}
