// ServiceAlphabetLoader: the service's keypad alphabet. The service carries the four alphabets as
// letter groups of its own and reads a user-defined text in its own way; the choice of alphabet and
// the normalisation are those Vyx uses.
#pragma once

#include "vyx/keypad/AlphabetChoice.h"
#include "vyx/keypad/KeypadAlphabet.h"

#include <optional>
#include <string_view>

namespace keypad {

class ServiceAlphabetLoader {
public:
    // The normalised alphabet; the Latin groups when the user-defined text gives none.
    static KeypadAlphabet Load();

    // The built-in groups of an alphabet, keys 2 to 9, as written; Latin for Custom.
    static KeypadAlphabet BuiltIn(AlphabetType type);

    // The groups of a user-defined text: every "/" or backslash starts a group of the characters
    // after it up to the next space or the end of the text, separators and all; captions are not
    // looked at. The text ends at its first NUL. Nullopt when no group has a letter.
    static std::optional<KeypadAlphabet> Parse(std::u16string_view text);
};

}
