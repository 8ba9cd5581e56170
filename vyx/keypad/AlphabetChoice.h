// AlphabetChoice: which alphabet the user chose, as both programs read it from the settings subkey
// "ABC": "Type" 0 to 4, or for any other value the device's language; and the user-defined text
// "Custom".
#pragma once

#include "platform/api/WinTypes.h"

#include <string>

namespace keypad {

enum class AlphabetType : DWORD {
    Custom = 0,
    Latin = 1,
    Cyrillic = 2,
    CyrillicAndLatin = 3,
    German = 4,
};

class AlphabetChoice {
public:
    static constexpr const char16_t* subkey = u"ABC";

    // "Type" when it is 0 to 4, otherwise the alphabet of the device's language.
    static AlphabetType Chosen();
    // Russian chooses Cyrillic, German the German alphabet, every other language Latin. The language is
    // the user's default locale's, read as hexadecimal; 0x0409 when it cannot be read.
    static AlphabetType ByLanguage();
    // "Custom" as UTF-16 text, up to its first NUL; empty when the value is missing or holds nothing.
    static std::u16string CustomText();
};

}
