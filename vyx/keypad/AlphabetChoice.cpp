#include "vyx/keypad/AlphabetChoice.h"

#include "common/SettingsStore.h"
#include "platform/api/WinNls.h"

namespace keypad {

namespace {

constexpr DWORD noType = 0xFFFFFFFF;
constexpr LANGID englishLanguage = 0x0409;
constexpr WORD russian = 25;
constexpr WORD german = 7;

int hexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The user's language from its hexadecimal text, read as far as it holds digits.
DWORD userLanguage()
{
    WCHAR text[16] {};
    if (GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text, 16) == 0)
        return englishLanguage;
    DWORD language = 0;
    int digits = 0;
    for (const WCHAR* c = text; *c && hexDigitValue(*c) >= 0 && digits < 8; ++c, ++digits)
        language = language * 16 + static_cast<DWORD>(hexDigitValue(*c));
    return digits > 0 ? language : englishLanguage;
}

}

AlphabetType AlphabetChoice::Chosen()
{
    const DWORD type = SettingsStore::GetDword(subkey, u"Type", noType);
    return type <= static_cast<DWORD>(AlphabetType::German) ? static_cast<AlphabetType>(type) : ByLanguage();
}

AlphabetType AlphabetChoice::ByLanguage()
{
    switch (userLanguage() & 0xFF) {
    case russian:
        return AlphabetType::Cyrillic;
    case german:
        return AlphabetType::German;
    default:
        return AlphabetType::Latin;
    }
}

std::u16string AlphabetChoice::CustomText()
{
    DWORD size = 0;
    const auto bytes = SettingsStore::GetBinary(subkey, u"Custom", size);
    std::u16string text;
    if (!bytes)
        return text;
    for (DWORD i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

}
