// The user's locale and the platform's character case: the language identifier and name by the
// device profile's locale, the sizes GetLocaleInfo asks for and refuses, comparing texts as a locale
// sorts them, and lower- and upper-casing one character at a time.
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

}
