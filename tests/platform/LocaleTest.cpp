// The user's locale and the platform's character case: the language identifier and name by the
// device profile's locale, the sizes GetLocaleInfo asks for and refuses, dates written as a locale or
// a picture says, comparing texts as a locale sorts them, and lower- and upper-casing one character at
// a time.
#include "platform/api/WinNls.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::caseName;

class LocaleTest : public testing_support::DeviceFixture {
protected:
    void useLocale(LCID locale)
    {
        emu::DeviceProfile profile;
        profile.locale = locale;
        resetDevice(profile);
    }
};

struct LocaleCase {
    std::string name;
    LCID locale;
    std::u16string languageDigits;
    std::u16string englishName;
};

class UserLocaleTest : public LocaleTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(UserLocaleTest, LanguageComesFromTheDeviceProfile)
{
    const LocaleCase& c = GetParam();
    useLocale(c.locale);
    runProgram([&] {
        EXPECT_EQ(GetUserDefaultLCID(), c.locale);
        EXPECT_EQ(GetUserDefaultLangID(), LANGIDFROMLCID(c.locale));
        WCHAR text[64] {};
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text, 64), 5);
        EXPECT_EQ(std::u16string(text), c.languageDigits);
        const int written = GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, text, 64);
        EXPECT_EQ(std::u16string(text), c.englishName);
        EXPECT_EQ(written, static_cast<int>(c.englishName.size()) + 1);
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(Locales, UserLocaleTest,
                         ::testing::Values(LocaleCase { "Russian", 0x0419, u"0419", u"Russian" },
                                           LocaleCase { "German", 0x0407, u"0407", u"German" },
                                           LocaleCase { "French", 0x040C, u"040c", u"French" },
                                           LocaleCase { "AmericanEnglish", 0x0409, u"0409", u"English" },
                                           LocaleCase { "SwissGerman", 0x0807, u"0807", u"German" }),
                         caseName<LocaleCase>);

TEST_F(LocaleTest, NewDeviceIsRussian)
{
    runProgram([] {
        EXPECT_EQ(GetUserDefaultLCID(), 0x0419u);
        EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), 0x19);
        return 0;
    });
}

TEST_F(LocaleTest, NamedLocalesAndTheSystemDefault)
{
    runProgram([] {
        WCHAR text[16] {};
        EXPECT_EQ(GetLocaleInfo(0x0407, LOCALE_ILANGUAGE, text, 16), 5);
        EXPECT_EQ(std::u16string(text), u"0407");
        EXPECT_EQ(GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_ILANGUAGE, text, 16), 5);
        EXPECT_EQ(std::u16string(text), u"0419");
        return 0;
    });
}

TEST_F(LocaleTest, SizesAndRefusals)
{
    runProgram([] {
        WCHAR text[8] {};
        // A size of 0 asks for the size and writes nothing.
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, text, 0), 8);
        EXPECT_EQ(text[0], 0);
        // "Russian" and its NUL need 8 characters; 7 do not do.
        SetLastError(0);
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, text, 7), 0);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, text, 8), 8);
        EXPECT_EQ(std::u16string(text), u"Russian");
        // An identifier no locale has, and a question the device does not answer.
        EXPECT_EQ(GetLocaleInfo(0x1234, LOCALE_ILANGUAGE, text, 8), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, 0x7777, text, 8), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, nullptr, 8), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        return 0;
    });
}

TEST_F(LocaleTest, UnknownProfileLocaleCannotBeRead)
{
    useLocale(0x1234);
    runProgram([] {
        WCHAR text[8] {};
        EXPECT_EQ(GetUserDefaultLangID(), 0x1234);
        EXPECT_EQ(GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text, 8), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        return 0;
    });
}

struct CaseChange {
    std::string name;
    std::u16string text;
    DWORD length;
    std::u16string lowered;
    std::u16string raised;
};

class CharacterCaseTest : public ::testing::TestWithParam<CaseChange> {};

TEST_P(CharacterCaseTest, EachCharacterOnItsOwn)
{
    const CaseChange& c = GetParam();
    std::u16string lower = c.text;
    EXPECT_EQ(CharLowerBuff(lower.data(), c.length), c.length);
    EXPECT_EQ(lower, c.lowered);
    std::u16string upper = c.text;
    EXPECT_EQ(CharUpperBuff(upper.data(), c.length), c.length);
    EXPECT_EQ(upper, c.raised);
}

INSTANTIATE_TEST_SUITE_P(Texts, CharacterCaseTest,
                         ::testing::Values(CaseChange { "Latin", u"Smith O'Neil", 12, u"smith o'neil", u"SMITH O'NEIL" },
                                           CaseChange { "CyrillicIo", u"Ёлка ЁЖ", 7, u"ёлка ёж", u"ЁЛКА ЁЖ" },
                                           CaseChange { "Umlauts", u"ÄÖÜäöü", 6, u"äöüäöü", u"ÄÖÜÄÖÜ" },
                                           // The sharp s has no single-character upper case.
                                           CaseChange { "SharpS", u"Straße", 6, u"straße", u"STRAßE" },
                                           CaseChange { "DigitsAndSigns", u"№1-2=3", 6, u"№1-2=3", u"№1-2=3" },
                                           CaseChange { "OnlyTheCountedPart", u"ABCD", 2, u"abCD", u"ABCD" },
                                           CaseChange { "NothingCounted", u"AB", 0, u"AB", u"AB" },
                                           // U+10400 and U+10428: a surrogate pair changes as one character.
                                           CaseChange { "SurrogatePair", u"\U00010400x", 3, u"\U00010428x", u"\U00010400X" },
                                           CaseChange { "LoneSurrogate", u"\xD801Q", 2, u"\xD801q", u"\xD801Q" }),
                         caseName<CaseChange>);

TEST(CharLower, TextInPlaceOrOneCharacter)
{
    std::u16string text = u"ЁЖИК Ärger";
    EXPECT_EQ(CharLower(text.data()), text.data());
    EXPECT_EQ(text, u"ёжик ärger");
    const auto single = [](char16_t c) {
        return static_cast<char16_t>(reinterpret_cast<std::uintptr_t>(CharLower(reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(c)))));
    };
    EXPECT_EQ(single(u'Ё'), u'ё');
    EXPECT_EQ(single(u'Ä'), u'ä');
    EXPECT_EQ(single(u'ß'), u'ß');
    EXPECT_EQ(single(u'7'), u'7');
}

struct Comparison {
    std::string name;
    LCID profileLocale;
    LCID locale;
    std::u16string first;
    int firstCount;
    std::u16string second;
    int secondCount;
    int expected;

    friend void PrintTo(const Comparison& c, std::ostream* out) { *out << c.name; }
};

class CompareStringTest : public LocaleTest, public ::testing::WithParamInterface<Comparison> {};

TEST_P(CompareStringTest, SortsAsTheLocaleDoes)
{
    const Comparison& c = GetParam();
    useLocale(c.profileLocale);
    runProgram([&] {
        EXPECT_EQ(CompareString(c.locale, 0, c.first.c_str(), c.firstCount, c.second.c_str(), c.secondCount), c.expected);
        // The same texts the other way round give the opposite answer.
        EXPECT_EQ(CompareString(c.locale, 0, c.second.c_str(), c.secondCount, c.first.c_str(), c.firstCount), 4 - c.expected);
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CompareStringTest,
    ::testing::Values(
        // Russian sorts Cyrillic before Latin; English the other way round.
        Comparison { "RussianCyrillicFirst", 0x0419, LOCALE_SYSTEM_DEFAULT, u"Яна", -1, u"Anna", -1, CSTR_LESS_THAN },
        Comparison { "EnglishLatinFirst", 0x0409, LOCALE_USER_DEFAULT, u"Яна", -1, u"Anna", -1, CSTR_GREATER_THAN },
        Comparison { "NamedLocaleOverProfile", 0x0419, 0x0409, u"Яна", -1, u"Anna", -1, CSTR_GREATER_THAN },
        // Ё sorts with Е, not after Я as its code does.
        Comparison { "IoWithIe", 0x0419, LOCALE_SYSTEM_DEFAULT, u"Ёлкин", -1, u"Жуков", -1, CSTR_LESS_THAN },
        Comparison { "CaseAfterLetters", 0x0419, LOCALE_SYSTEM_DEFAULT, u"Иванов", -1, u"иванова", -1, CSTR_LESS_THAN },
        Comparison { "Equal", 0x0419, LOCALE_SYSTEM_DEFAULT, u"Петров Иван", -1, u"Петров Иван", -1, CSTR_EQUAL },
        Comparison { "CountedParts", 0x0419, LOCALE_SYSTEM_DEFAULT, u"Петров Иван", 6, u"Петров", -1, CSTR_EQUAL },
        Comparison { "EmptyFirst", 0x0419, LOCALE_SYSTEM_DEFAULT, u"", -1, u"А", -1, CSTR_LESS_THAN }),
    caseName<Comparison>);

TEST_F(LocaleTest, CompareStringRefusals)
{
    runProgram([] {
        SetLastError(0);
        EXPECT_EQ(CompareString(LOCALE_SYSTEM_DEFAULT, 1, u"a", -1, u"b", -1), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
        EXPECT_EQ(CompareString(0x1234, 0, u"a", -1, u"b", -1), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(CompareString(LOCALE_SYSTEM_DEFAULT, 0, nullptr, 0, u"b", -1), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(CompareString(LOCALE_SYSTEM_DEFAULT, 0, u"a", -2, u"b", -1), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        return 0;
    });
}

SYSTEMTIME calendarDate(WORD year, WORD month, WORD day)
{
    SYSTEMTIME date {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    return date;
}

// 1 February 2003 was a Saturday.
const SYSTEMTIME firstOfFebruary = calendarDate(2003, 2, 1);

struct DateCase {
    std::string name;
    LCID profileLocale;
    LCID locale;
    DWORD flags;
    SYSTEMTIME date;
    // Null for the locale's own date.
    const char16_t* picture;
    std::u16string expected;

    friend void PrintTo(const DateCase& c, std::ostream* out) { *out << c.name; }
};

class DateFormatTest : public LocaleTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateFormatTest, WritesTheDateAsTheLocaleOrPictureSays)
{
    const DateCase& c = GetParam();
    useLocale(c.profileLocale);
    runProgram([&] {
        WCHAR text[64] {};
        const int written = GetDateFormat(c.locale, c.flags, &c.date, c.picture, text, 64);
        EXPECT_EQ(std::u16string(text), c.expected);
        EXPECT_EQ(written, static_cast<int>(c.expected.size()) + 1);
        // Asking for the size gives the same count.
        EXPECT_EQ(GetDateFormat(c.locale, c.flags, &c.date, c.picture, nullptr, 0), written);
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateFormatTest,
    ::testing::Values(
        DateCase { "RussianShort", 0x0419, LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, firstOfFebruary, nullptr, u"01.02.2003" },
        DateCase { "AmericanShort", 0x0409, LOCALE_USER_DEFAULT, DATE_SHORTDATE, firstOfFebruary, nullptr, u"2/1/03" },
        DateCase { "NamedLocaleOverProfile", 0x0419, 0x0409, DATE_SHORTDATE, firstOfFebruary, nullptr, u"2/1/03" },
        DateCase { "NoFlagIsTheShortDate", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, nullptr, u"01.02.2003" },
        // ICU's long Russian date keeps "г." to the year with a narrow no-break space.
        DateCase { "RussianLong", 0x0419, LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, firstOfFebruary, nullptr, u"1 февраля 2003\u202Fг." },
        DateCase { "AmericanLong", 0x0409, LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, firstOfFebruary, nullptr, u"February 1, 2003" },
        DateCase { "LeapDay", 0x0419, LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, calendarDate(2004, 2, 29), nullptr, u"29.02.2004" },
        // The time of day never moves the day written.
        DateCase { "LateInTheDay", 0x0419, LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, [] {
                       SYSTEMTIME late = calendarDate(2003, 12, 31);
                       late.wHour = 23;
                       late.wMinute = 59;
                       return late;
                   }(), nullptr, u"31.12.2003" },
        DateCase { "PictureFullNames", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"dddd, d MMMM yyyy", u"суббота, 1 февраля 2003" },
        DateCase { "MonthWithoutDayStandsAlone", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"MMMM yyyy", u"февраль 2003" },
        DateCase { "PictureShortNames", 0x0409, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"ddd dd MMM yy", u"Sat 01 Feb 03" },
        DateCase { "GermanNames", 0x0407, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"dddd, d. MMMM", u"Samstag, 1. Februar" },
        DateCase { "OneLetterFormsWithoutZeros", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, calendarDate(2009, 3, 7), u"d.M.y", u"7.3.9" },
        DateCase { "TwoLetterFormsWithZeros", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, calendarDate(2009, 3, 7), u"dd.MM.yy", u"07.03.09" },
        DateCase { "LongRunsOfLetters", 0x0409, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"yyy ddddd MMMMM", u"2003 Saturday February" },
        DateCase { "QuotedTextAndQuotes", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"'day' d 'o''clock' '' yyyy",
                   u"day 1 o'clock ' 2003" },
        DateCase { "UnclosedQuoteRunsToTheEnd", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"yyyy 'dM", u"2003 dM" },
        DateCase { "OtherCharactersCopied", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"yyyy-MM-dd/g h", u"2003-02-01/g h" },
        DateCase { "EmptyPicture", 0x0419, LOCALE_SYSTEM_DEFAULT, 0, firstOfFebruary, u"", u"" }),
    caseName<DateCase>);

struct DateRefusal {
    std::string name;
    LCID locale;
    DWORD flags;
    SYSTEMTIME date;
    const char16_t* picture;
    int size;
    DWORD error;

    friend void PrintTo(const DateRefusal& c, std::ostream* out) { *out << c.name; }
};

class DateFormatRefusalTest : public LocaleTest, public ::testing::WithParamInterface<DateRefusal> {};

TEST_P(DateFormatRefusalTest, FailsWithTheReason)
{
    const DateRefusal& c = GetParam();
    runProgram([&] {
        WCHAR text[16] {};
        SetLastError(0);
        EXPECT_EQ(GetDateFormat(c.locale, c.flags, &c.date, c.picture, text, c.size), 0);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(text[0], 0);
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, DateFormatRefusalTest,
    ::testing::Values(
        DateRefusal { "BothStyles", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE | DATE_LONGDATE, firstOfFebruary, nullptr, 16, ERROR_INVALID_FLAGS },
        DateRefusal { "StyleBesidePicture", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, firstOfFebruary, u"yyyy", 16, ERROR_INVALID_FLAGS },
        DateRefusal { "UnknownFlag", LOCALE_SYSTEM_DEFAULT, 0x10, firstOfFebruary, nullptr, 16, ERROR_INVALID_FLAGS },
        DateRefusal { "UnknownLocale", 0x1234, DATE_SHORTDATE, firstOfFebruary, nullptr, 16, ERROR_INVALID_PARAMETER },
        DateRefusal { "MonthThirteen", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, calendarDate(2003, 13, 1), nullptr, 16, ERROR_INVALID_PARAMETER },
        DateRefusal { "MonthZero", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, calendarDate(2003, 0, 1), nullptr, 16, ERROR_INVALID_PARAMETER },
        DateRefusal { "ThirtyFirstOfFebruary", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, calendarDate(2003, 2, 31), nullptr, 16, ERROR_INVALID_PARAMETER },
        DateRefusal { "LeapDayOfACommonYear", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, calendarDate(1900, 2, 29), nullptr, 16, ERROR_INVALID_PARAMETER },
        DateRefusal { "DayZero", LOCALE_SYSTEM_DEFAULT, 0, calendarDate(2003, 2, 0), u"d", 16, ERROR_INVALID_PARAMETER },
        DateRefusal { "BeforeFileTimes", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, calendarDate(1600, 12, 31), nullptr, 16, ERROR_INVALID_PARAMETER },
        // "01.02.2003" and its NUL need 11 characters.
        DateRefusal { "BufferTooSmall", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, firstOfFebruary, nullptr, 10, ERROR_INSUFFICIENT_BUFFER },
        DateRefusal { "NegativeSize", LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, firstOfFebruary, nullptr, -1, ERROR_INVALID_PARAMETER }),
    caseName<DateRefusal>);

TEST_F(LocaleTest, DateFormatSizesAndTheDevicesOwnDate)
{
    emu::DeviceProfile profile;
    profile.bootTime = *emu::parseDateTime("2026-03-02 23:30:00");
    // An hour east of UTC the local date is already the 3rd.
    profile.localBiasMinutes = 60;
    resetDevice(profile);
    runProgram([] {
        WCHAR text[11] {};
        EXPECT_EQ(GetDateFormat(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 0), 11);
        EXPECT_EQ(text[0], 0);
        EXPECT_EQ(GetDateFormat(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 11), 11);
        EXPECT_EQ(std::u16string(text), u"03.03.2026");
        SetLastError(0);
        EXPECT_EQ(GetDateFormat(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &firstOfFebruary, nullptr, nullptr, 11), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        return 0;
    });
}

}
