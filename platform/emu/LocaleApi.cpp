// The locale and character-case functions of the device interface. The user's locale is the device
// profile's; what a locale is called, how its texts sort and how characters change case, ICU knows.
#include "platform/api/WinNls.h"

#include "platform/emu/Device.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

using namespace emu;

namespace {

int failWith(DWORD error)
{
    SetLastError(error);
    return 0;
}

LCID effectiveLocale(LCID locale)
{
    return locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT ? currentDevice().profile().locale : locale;
}

// ICU's name of the locale ("ru_RU"), or nullopt for an identifier it does not know.
std::optional<std::string> icuLocaleOf(LCID locale)
{
    char name[ULOC_FULLNAME_CAPACITY] {};
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = uloc_getLocaleForLCID(locale, name, sizeof name, &error);
    if (U_FAILURE(error) || length <= 0)
        return std::nullopt;
    return std::string(name, static_cast<std::size_t>(length));
}

std::u16string englishLanguageName(const std::string& icuLocale)
{
    UChar name[ULOC_FULLNAME_CAPACITY] {};
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = uloc_getDisplayLanguage(icuLocale.c_str(), "en", name, ULOC_FULLNAME_CAPACITY, &error);
    if (U_FAILURE(error) || length <= 0)
        return {};
    return std::u16string(name, static_cast<std::size_t>(std::min(length, ULOC_FULLNAME_CAPACITY)));
}

std::u16string languageDigits(LCID locale)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(LANGIDFROMLCID(locale)));
    return std::u16string(digits, digits + 4);
}

// Changes each character of the text (a surrogate pair as one) by `mapping`; a character whose other
// case needs another number of units stays as it is.
DWORD changeCase(LPWSTR text, DWORD length, UChar32 (*mapping)(UChar32))
{
    if (!text)
        return 0;
    DWORD at = 0;
    while (at < length) {
        const DWORD start = at;
        UChar32 c = 0;
        U16_NEXT(text, at, length, c);
        const UChar32 changed = mapping(c);
        if (changed != c && static_cast<DWORD>(U16_LENGTH(changed)) == at - start) {
            DWORD written = start;
            U16_APPEND_UNSAFE(text, written, changed);
        }
    }
    return length;
}

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

// The length of a text given with a count of -1 (NUL-terminated) or its own count.
int32_t textLength(LPCWSTR text, int count)
{
    return count == -1 ? static_cast<int32_t>(std::char_traits<char16_t>::length(text)) : count;
}

}

LCID GetUserDefaultLCID()
{
    return currentDevice().profile().locale;
}

LANGID GetUserDefaultLangID()
{
    return LANGIDFROMLCID(GetUserDefaultLCID());
}

int GetLocaleInfo(LCID locale, LCTYPE type, LPWSTR data, int dataSize)
{
    if (dataSize < 0 || (dataSize > 0 && !data))
        return failWith(ERROR_INVALID_PARAMETER);
    const LCID named = effectiveLocale(locale);
    const auto icuLocale = icuLocaleOf(named);
    if (!icuLocale)
        return failWith(ERROR_INVALID_PARAMETER);
    std::u16string text;
    switch (type) {
    case LOCALE_ILANGUAGE:
        text = languageDigits(named);
        break;
    case LOCALE_SENGLANGUAGE:
        text = englishLanguageName(*icuLocale);
        break;
    default:
        return failWith(ERROR_INVALID_FLAGS);
    }
    const auto needed = static_cast<int>(text.size()) + 1;
    if (dataSize == 0)
        return needed;
    if (needed > dataSize)
        return failWith(ERROR_INSUFFICIENT_BUFFER);
    std::copy(text.begin(), text.end(), data);
    data[text.size()] = 0;
    return needed;
}

int CompareString(LCID locale, DWORD flags, LPCWSTR string1, int count1, LPCWSTR string2, int count2)
{
    if (flags != 0)
        return failWith(ERROR_INVALID_FLAGS);
    if (!string1 || !string2 || count1 < -1 || count2 < -1)
        return failWith(ERROR_INVALID_PARAMETER);
    const auto icuLocale = icuLocaleOf(effectiveLocale(locale));
    if (!icuLocale)
        return failWith(ERROR_INVALID_PARAMETER);
    UErrorCode error = U_ZERO_ERROR;
    const std::unique_ptr<UCollator, CollatorCloser> collator(ucol_open(icuLocale->c_str(), &error));
    if (U_FAILURE(error) || !collator)
        return failWith(ERROR_INVALID_PARAMETER);
    switch (ucol_strcoll(collator.get(), string1, textLength(string1, count1), string2, textLength(string2, count2))) {
    case UCOL_LESS:
        return CSTR_LESS_THAN;
    case UCOL_EQUAL:
        return CSTR_EQUAL;
    case UCOL_GREATER:
        break;
    }
    return CSTR_GREATER_THAN;
}

DWORD CharLowerBuff(LPWSTR text, DWORD length)
{
    return changeCase(text, length, u_tolower);
}

DWORD CharUpperBuff(LPWSTR text, DWORD length)
{
    return changeCase(text, length, u_toupper);
}

LPWSTR CharLower(LPWSTR textOrCharacter)
{
    const auto value = reinterpret_cast<std::uintptr_t>(textOrCharacter);
    if (value >> 16 == 0) {
        const UChar32 lowered = u_tolower(static_cast<UChar32>(value));
        return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(lowered <= 0xFFFF ? lowered : static_cast<UChar32>(value)));
    }
    changeCase(textOrCharacter, static_cast<DWORD>(std::char_traits<char16_t>::length(textOrCharacter)), u_tolower);
    return textOrCharacter;
}
