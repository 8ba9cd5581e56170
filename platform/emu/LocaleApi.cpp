// The locale and character-case functions of the device interface. The user's locale is the device
// profile's; what a locale is called, how it writes dates, how its texts sort and how characters change
// case, ICU knows.
#include "platform/api/WinNls.h"

#include "platform/emu/Device.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/udat.h>
#include <unicode/uloc.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace emu;

namespace {

int failWith(DWORD error)
{
    SetLastError(error);
    return 0;
}

// Hands a text and its NUL to the caller's buffer, or says how much room it needs.
int deliver(const std::u16string& text, LPWSTR output, int outputSize)
{
    const auto needed = static_cast<int>(text.size()) + 1;
    if (outputSize == 0)
        return needed;
    if (needed > outputSize)
        return failWith(ERROR_INSUFFICIENT_BUFFER);
    std::copy(text.begin(), text.end(), output);
    output[text.size()] = 0;
    return needed;
}

bool validOutput(LPCWSTR output, int outputSize)
{
    return outputSize >= 0 && (outputSize == 0 || output);
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

// ---- Dates

struct DateFormatCloser {
    void operator()(UDateFormat* format) const { udat_close(format); }
};
using DateFormat = std::unique_ptr<UDateFormat, DateFormatCloser>;

// The locale's date format of that style, writing in UTC: a date is handed over as its midnight in
// UTC, so the day given is the day written.
DateFormat openDateFormat(const std::string& icuLocale, UDateFormatStyle style)
{
    UErrorCode error = U_ZERO_ERROR;
    DateFormat format(udat_open(UDAT_NONE, style, icuLocale.c_str(), u"UTC", -1, nullptr, 0, &error));
    if (U_FAILURE(error))
        return nullptr;
    return format;
}

// The day a SYSTEMTIME names, or nullopt when no calendar has it.
std::optional<std::chrono::year_month_day> calendarDay(const SYSTEMTIME& date)
{
    constexpr WORD firstYear = 1601;
    constexpr WORD lastYear = 30827;
    const std::chrono::year_month_day day { std::chrono::year { date.wYear }, std::chrono::month { date.wMonth },
                                            std::chrono::day { date.wDay } };
    if (date.wYear < firstYear || date.wYear > lastYear || !day.ok())
        return std::nullopt;
    return day;
}

std::optional<std::u16string> localeDate(const UDateFormat& format, const std::chrono::year_month_day& day)
{
    const UDate midnight = static_cast<UDate>(std::chrono::sys_days(day).time_since_epoch().count()) * U_MILLIS_PER_DAY;
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = udat_format(&format, midnight, nullptr, 0, nullptr, &error);
    if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error))
        return std::nullopt;
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    error = U_ZERO_ERROR;
    udat_format(&format, midnight, text.data(), length, nullptr, &error);
    if (U_FAILURE(error))
        return std::nullopt;
    return text;
}

std::u16string dateSymbol(const UDateFormat& format, UDateFormatSymbolType type, int32_t index)
{
    UChar name[64] {};
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = udat_getSymbols(&format, type, index, name, std::size(name), &error);
    if (U_FAILURE(error) || length <= 0)
        return {};
    return std::u16string(name, static_cast<std::size_t>(length));
}

// One element of a date picture: a run of one field letter (d, M or y) and its length, or text to
// copy.
struct PictureElement {
    char16_t field;
    std::size_t count;
    std::u16string text;
};

bool isPictureField(char16_t character)
{
    return character == u'd' || character == u'M' || character == u'y';
}

std::vector<PictureElement> pictureElements(std::u16string_view picture)
{
    std::vector<PictureElement> elements;
    const auto copy = [&](std::u16string_view text) {
        if (elements.empty() || elements.back().field)
            elements.push_back(PictureElement { 0, 0, {} });
        elements.back().text += text;
    };
    std::size_t at = 0;
    while (at < picture.size()) {
        const char16_t character = picture[at];
        if (isPictureField(character)) {
            const std::size_t end = std::min(picture.find_first_not_of(character, at), picture.size());
            elements.push_back(PictureElement { character, end - at, {} });
            at = end;
        } else if (character != u'\'') {
            copy(picture.substr(at++, 1));
        } else if (at + 1 < picture.size() && picture[at + 1] == u'\'') {
            copy(u"'");
            at += 2;
        } else {
            // Quoted text runs to the closing quote, or to the end of the picture; '' inside it is a quote.
            for (++at; at < picture.size(); ++at) {
                if (picture[at] != u'\'')
                    copy(picture.substr(at, 1));
                else if (at + 1 < picture.size() && picture[at + 1] == u'\'')
                    copy(picture.substr(at++, 1));
                else
                    break;
            }
            ++at;
        }
    }
    return elements;
}

std::u16string number(unsigned value, std::size_t digits)
{
    const std::string text = std::to_string(value);
    std::u16string padded(digits > text.size() ? digits - text.size() : 0, u'0');
    padded.append(text.begin(), text.end());
    return padded;
}

std::u16string pictureDate(std::u16string_view picture, const std::chrono::year_month_day& day, const UDateFormat& names)
{
    const auto elements = pictureElements(picture);
    // Inside a date with its day number a month takes the form its locale writes there (the Russian
    // genitive); alone it takes its own.
    const bool dayNumbered = std::any_of(elements.begin(), elements.end(),
                                         [](const PictureElement& e) { return e.field == u'd' && e.count <= 2; });
    const auto dayOfMonth = static_cast<unsigned>(day.day());
    const auto month = static_cast<unsigned>(day.month());
    const auto year = static_cast<unsigned>(static_cast<int>(day.year()));
    // ICU numbers weekdays from 1 for Sunday, months from 0 for January.
    const auto weekday = static_cast<int32_t>(std::chrono::weekday(std::chrono::sys_days(day)).c_encoding()) + 1;
    const auto monthIndex = static_cast<int32_t>(month) - 1;

    std::u16string text;
    for (const PictureElement& element : elements) {
        switch (element.field) {
        case u'd':
            text += element.count <= 2 ? number(dayOfMonth, element.count)
                                       : dateSymbol(names, element.count == 3 ? UDAT_SHORT_WEEKDAYS : UDAT_WEEKDAYS, weekday);
            break;
        case u'M':
            if (element.count <= 2)
                text += number(month, element.count);
            else if (element.count == 3)
                text += dateSymbol(names, dayNumbered ? UDAT_SHORT_MONTHS : UDAT_STANDALONE_SHORT_MONTHS, monthIndex);
            else
                text += dateSymbol(names, dayNumbered ? UDAT_MONTHS : UDAT_STANDALONE_MONTHS, monthIndex);
            break;
        case u'y':
            text += element.count <= 2 ? number(year % 100, element.count) : number(year, 0);
            break;
        default:
            text += element.text;
            break;
        }
    }
    return text;
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
    if (!validOutput(data, dataSize))
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
    return deliver(text, data, dataSize);
}

int GetDateFormat(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR dateText, int size)
{
    if (!validOutput(dateText, size))
        return failWith(ERROR_INVALID_PARAMETER);
    constexpr DWORD styles = DATE_SHORTDATE | DATE_LONGDATE;
    if ((flags & ~styles) != 0 || flags == styles || (format && flags != 0))
        return failWith(ERROR_INVALID_FLAGS);
    const auto icuLocale = icuLocaleOf(effectiveLocale(locale));
    if (!icuLocale)
        return failWith(ERROR_INVALID_PARAMETER);
    SYSTEMTIME today {};
    if (!date) {
        GetLocalTime(&today);
        date = &today;
    }
    const auto day = calendarDay(*date);
    if (!day)
        return failWith(ERROR_INVALID_PARAMETER);
    const DateFormat localeFormat = openDateFormat(*icuLocale, flags == DATE_LONGDATE ? UDAT_LONG : UDAT_SHORT);
    if (!localeFormat)
        return failWith(ERROR_INVALID_PARAMETER);
    if (format)
        return deliver(pictureDate(format, *day, *localeFormat), dateText, size);
    const auto text = localeDate(*localeFormat, *day);
    if (!text)
        return failWith(ERROR_INVALID_PARAMETER);
    return deliver(*text, dateText, size);
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
