#include "vyx/keypad/WordSplitter.h"

namespace keypad {

namespace {

constexpr std::u16string_view separators = u"\r\n\t `!@#$%^&*()_|{}:\"/<>?[];',.№-=\\";

}

bool WordSplitter::IsSeparator(char16_t character)
{
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
