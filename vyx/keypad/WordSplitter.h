// WordSplitter: the words of a text as both programs index them. A word is a maximal run of
// characters outside the separator set: line breaks, tab, space, the punctuation of a phone's
// keyboard, "№" and the backslash.
#pragma once

#include "common/Str.h"

#include <string_view>
#include <vector>

namespace keypad {

class WordSplitter {
public:
    static bool IsSeparator(char16_t character);
    // The words of the text in order.
    static std::vector<Str> Words(std::u16string_view text);
};

}
