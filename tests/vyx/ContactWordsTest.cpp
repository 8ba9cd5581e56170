// The words of a contact: its texts, dates, phones with their number keys, the texts of its extras and
// its visible notes, in that order, lower-cased as the device lower-cases and put into keypad form by
// Vyx's alphabet; and those words in a real index, finding the contact by a word, a date and a number.
#include "common/SettingsStore.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"
#include "tests/vyx/IndexStoreSupport.h"
#include "vyx/contacts/ContactWords.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/keypad/AlphabetChoice.h"
#include "vyx/keypad/VyxAlphabetLoader.h"
#include "vyx/resources/VyxStrings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using keypad::AlphabetType;
using testing_support::caseName;
using vyx::CallerInfo;
using vyx::ContactExtras;
using vyx::IndexedContact;
using Words = std::vector<std::u16string>;

// Midnight (UTC) of a day as a file time.
FILETIME fileTimeOf(std::chrono::year_month_day day)
{
    constexpr std::uint64_t ticksPerDay = 864'000'000'000ULL;
    const auto days = (std::chrono::sys_days(day) - std::chrono::sys_days(std::chrono::year(1601) / 1 / 1)).count();
    const std::uint64_t ticks = static_cast<std::uint64_t>(days) * ticksPerDay;
    return FILETIME { static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32) };
}

const FILETIME firstOfFebruary2003 = fileTimeOf(std::chrono::year(2003) / 2 / 1);
const FILETIME twelfthOfApril1975 = fileTimeOf(std::chrono::year(1975) / 4 / 12);

class ContactWordsTest : public testing_support::DeviceFixture {
protected:
    void useLocale(LCID locale)
    {
        emu::DeviceProfile profile;
        profile.locale = locale;
        resetDevice(profile);
    }

    // The words of the record as Vyx makes them on this device, with the keypad alphabet its settings
    // choose ("Type", or the device's language when none is given).
    IndexedContact wordsOf(const CallerInfo& record, std::u16string_view notes, std::optional<AlphabetType> alphabet = {})
    {
        IndexedContact contact;
        runProgram([&] {
            if (alphabet)
                SettingsStore::SetDword(u"ABC", u"Type", static_cast<DWORD>(*alphabet), false);
            contact = vyx::ContactWords::Of(record, notes, keypad::VyxAlphabetLoader::Load());
            return 0;
        }, u"words", &vyx::vyxResources());
        return contact;
    }
};

TEST_F(ContactWordsTest, TextsThenDatesThenPhonesThenExtrasThenNotes)
{
    CallerInfo record;
    record.identifier = 0x10025;
    record.texts[CallerInfo::LastName] = u"Петров";
    record.texts[CallerInfo::FirstName] = u"ИВАН";
    record.texts[3] = u"Россия";
    record.texts[CallerInfo::MobilePhone] = u"+7 916 123-45-67";
    record.dateA = firstOfFebruary2003;
    record.dateB = twelfthOfApril1975;
    record.extras.phones.push_back({ u"Dacha", u"495 111-22-33" });
    record.extras.emails.push_back({ u"Почта", u"ivan@mail.ru" });

    const IndexedContact contact = wordsOf(record, u"Ключи у соседа");
    EXPECT_EQ(contact.identifier, 0x10025u);
    EXPECT_EQ(contact.propsOffset, 0u);
    EXPECT_EQ(contact.words, (Words {
                                 // The texts in slot order: 3, 26, 28, 35; the mobile number is a text too.
                                 u"россия", u"иван", u"петров", u"+7", u"916", u"123", u"45", u"67",
                                 // Date A, then date B, as the Russian short date.
                                 u"01", u"02", u"2003", u"12", u"04", u"1975",
                                 // The phones, the extra one last, each followed by its number key.
                                 u"+7", u"916", u"123", u"45", u"67", u"~76543216197", u"495", u"111", u"22", u"33", u"~3322111594",
                                 // The e-mail address of the extras without its label.
                                 u"ivan", u"mail", u"ru",
                                 // The visible notes.
                                 u"ключи", u"у", u"соседа" }));
}

TEST_F(ContactWordsTest, ExtrasGiveTheirValuesInTheirOrder)
{
    CallerInfo record;
    record.identifier = 9;
    ContactExtras& extras = record.extras;
    extras.emails.push_back({ u"Почта", u"Email1" });
    extras.webPages.push_back({ u"Сайт", u"Web1" });
    extras.people.push_back({ u"Жена", u"Людмила" });
    extras.links.push_back({ u"Ссылка", u"Link1" });
    extras.otherProperties.push_back({ u"Свойство", u"Other1" });
    extras.messengers.push_back({ u"ICQ", u"Second1", u"First1" });
    extras.datedEntries.push_back({ u"Birthday", twelfthOfApril1975 });
    extras.addresses.push_back({ u"Дача", { u"P1", u"P2", u"P3", u"P4", u"P5" }, 17 });
    extras.addresses.push_back({ u"Гараж", { u"Q1", u"", u"", u"", u"" }, 0 });
    extras.homeNumber = 2;
    extras.businessNumber = 3;
    extras.otherNumber = 4;

    EXPECT_EQ(wordsOf(record, u"").words, (Words {
                                              u"email1", u"web1", u"людмила", u"link1", u"other1",
                                              // A messenger's second text only.
                                              u"second1",
                                              u"12", u"04", u"1975",
                                              // An address's number when it has one, then its parts 2, 5, 4, 3, 1.
                                              u"17", u"p2", u"p5", u"p4", u"p3", u"p1", u"q1",
                                              // Home, Other, Business.
                                              u"2", u"4", u"3" }));
}

TEST_F(ContactWordsTest, NumberKeysAreWordsWithoutKeypadKeys)
{
    CallerInfo record;
    record.identifier = 4;
    record.texts[CallerInfo::WorkPhone] = u"495 123-45-67, 8 916 765-43-21";
    const IndexedContact contact = wordsOf(record, u"", AlphabetType::CyrillicAndLatin);
    const Words fieldWords { u"495", u"123", u"45", u"67", u"8", u"916", u"765", u"43", u"21" };
    Words expected = fieldWords;
    expected.insert(expected.end(), fieldWords.begin(), fieldWords.end());
    // Every number the field holds has its key.
    expected.insert(expected.end(), { u"~123456761987654321594", u"~7654321594" });
    EXPECT_EQ(contact.words, expected);
    EXPECT_EQ(contact.keypadKeys, Words {});
}

TEST_F(ContactWordsTest, EmptyRecordGivesNoWords)
{
    CallerInfo record;
    record.identifier = 12;
    const IndexedContact contact = wordsOf(record, u" \r\n.,");
    EXPECT_EQ(contact.identifier, 12u);
    EXPECT_EQ(contact.words, Words {});
    EXPECT_EQ(contact.keypadKeys, Words {});
}

struct KeypadCase {
    std::string name;
    std::optional<AlphabetType> alphabet;
    Words keys;

    friend void PrintTo(const KeypadCase& c, std::ostream* out) { *out << c.name; }
};

class ContactKeypadKeysTest : public ContactWordsTest, public ::testing::WithParamInterface<KeypadCase> {};

TEST_P(ContactKeypadKeysTest, WordsTakeTheKeysOfTheAlphabet)
{
    CallerInfo record;
    record.identifier = 5;
    record.texts[CallerInfo::FirstName] = u"Smith";
    record.texts[CallerInfo::LastName] = u"ПЁТР";
    const IndexedContact contact = wordsOf(record, u"O'Neil 42", GetParam().alphabet);
    EXPECT_EQ(contact.words, (Words { u"smith", u"пётр", u"o", u"neil", u"42" }));
    EXPECT_EQ(contact.keypadKeys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Alphabets, ContactKeypadKeysTest,
    ::testing::Values(
        // Vyx's keys of the mixed alphabet are written with the Cyrillic representatives.
        KeypadCase { "CyrillicAndLatin", AlphabetType::CyrillicAndLatin, { u"фриши", u"мдрр", u"р", u"рдим" } },
        // A Russian device chooses the Cyrillic alphabet: Latin words have no keys.
        KeypadCase { "RussianDeviceDefault", std::nullopt, { u"мдрр" } },
        KeypadCase { "Latin", AlphabetType::Latin, { u"pmgtg", u"m", u"mdgj" } }),
    caseName<KeypadCase>);

struct DateCase {
    std::string name;
    LCID locale;
    FILETIME dateA;
    FILETIME dateB;
    Words words;

    friend void PrintTo(const DateCase& c, std::ostream* out) { *out << c.name; }
};

class ContactDatesTest : public ContactWordsTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(ContactDatesTest, DatesAreTheDevicesShortDates)
{
    const DateCase& c = GetParam();
    useLocale(c.locale);
    CallerInfo record;
    record.identifier = 6;
    record.dateA = c.dateA;
    record.dateB = c.dateB;
    EXPECT_EQ(wordsOf(record, u"").words, c.words);
}

INSTANTIATE_TEST_SUITE_P(Dates, ContactDatesTest,
                         ::testing::Values(DateCase { "RussianBoth", 0x0419, firstOfFebruary2003, twelfthOfApril1975,
                                                      { u"01", u"02", u"2003", u"12", u"04", u"1975" } },
                                           DateCase { "OnlyDateB", 0x0419, {}, twelfthOfApril1975, { u"12", u"04", u"1975" } },
                                           DateCase { "OnlyDateA", 0x0419, firstOfFebruary2003, {}, { u"01", u"02", u"2003" } },
                                           DateCase { "AmericanShortDate", 0x0409, firstOfFebruary2003, {}, { u"2", u"1", u"03" } }),
                         caseName<DateCase>);

TEST_F(ContactWordsTest, TheIndexFindsTheContactByItsWords)
{
    CallerInfo petrov;
    petrov.identifier = 0x10031;
    petrov.texts[CallerInfo::LastName] = u"Петров";
    petrov.texts[CallerInfo::MobilePhone] = u"+7 916 123-45-67";
    petrov.dateA = firstOfFebruary2003;
    CallerInfo smirnov;
    smirnov.identifier = 0x10032;
    smirnov.texts[CallerInfo::LastName] = u"Смирнов";
    smirnov.extras.phones.push_back({ u"Dacha", u"+7 495 111-22-33" });
    smirnov.extras.datedEntries.push_back({ u"Birthday", twelfthOfApril1975 });

    runProgram([&] {
        const keypad::KeypadAlphabet alphabet = keypad::VyxAlphabetLoader::Load();
        testing_support::MapSortTexts names;
        names.set(petrov.identifier, u"Петров");
        names.set(smirnov.identifier, u"Смирнов");
        vyx::IndexStore index;
        EXPECT_TRUE(index.Create());
        // The mobile number is entered twice, as a text and as a phone; the index lists it once.
        EXPECT_TRUE(index.AddContact(vyx::ContactWords::Of(petrov, u"Ключи у соседа", alphabet), names));
        EXPECT_TRUE(index.AddContact(vyx::ContactWords::Of(smirnov, u"Звонить после шести", alphabet), names));

        using Contacts = std::vector<DWORD>;
        EXPECT_EQ(index.SearchWords(u"СОСЕД", 0), Contacts { petrov.identifier });
        EXPECT_EQ(index.SearchWords(u"после", 0), Contacts { smirnov.identifier });
        // A date as the user types it, split as the contact's date was.
        EXPECT_EQ(index.SearchWords(u"01.02.2003", 0), Contacts { petrov.identifier });
        EXPECT_EQ(index.SearchWords(u"12.04.1975", 0), Contacts { smirnov.identifier });
        EXPECT_EQ(index.SearchWords(u"916", 0), Contacts { petrov.identifier });
        // The number lookup's search by the reversed last digits of a caller's number.
        EXPECT_EQ(index.SearchPrefix(u"~7654321"), Contacts { petrov.identifier });
        EXPECT_EQ(index.SearchPrefix(u"~3322111"), Contacts { smirnov.identifier });
        // The keypad form of "Смирнов" on the Russian device's Cyrillic alphabet.
        EXPECT_EQ(index.SearchKeysRaw(u"рмирмма"), Contacts { smirnov.identifier });
        EXPECT_EQ(index.SearchKeysRaw(u"ф"), Contacts {});
        EXPECT_EQ(testing_support::heapFault(index.Mapped()), "");
        return 0;
    }, u"index", &vyx::vyxResources());
}

}
