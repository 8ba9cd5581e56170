// Numbers as text: the digits of a number, its index key, the keys of a phone field holding several
// numbers, and the match of a caller's number against a stored one.
#include "vyx/contacts/NumberKey.h"
#include "vyx/contacts/NumberMatch.h"
#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/PhoneFields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using vyx::NumberKey;
using vyx::PhoneDigits;

std::string narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(PhoneDigitsTest, KeepsOnlyTheDigitsInTheirOrder)
{
    const struct {
        std::u16string number;
        std::u16string digits;
    } cases[] = {
        { u"+7 (916) 123-45-67", u"79161234567" },
        { u"*100#", u"100" },
        { u"8p916w12,3 ext.4", u"89161234" },
        { u"тел. 0", u"0" },
        { u"+-() #*pw", u"" },
        { u"", u"" },
        // Digits of other scripts are not the ASCII digits the rules look for.
        { u"\u0661\u0662\uFF13", u"" },
    };
    for (const auto& c : cases) {
        const PhoneDigits digits = PhoneDigits::DigitsOnly(c.number);
        EXPECT_EQ(narrow(digits.Text()), narrow(c.digits)) << narrow(c.number);
        EXPECT_EQ(digits.IsEmpty(), c.digits.empty()) << narrow(c.number);
    }
}

TEST(PhoneDigitsTest, LastDigitsAreAllOfThemWhenFewer)
{
    const PhoneDigits digits = PhoneDigits::DigitsOnly(u"12-34-5");
    EXPECT_EQ(narrow(digits.Last(3)), "345");
    EXPECT_EQ(narrow(digits.Last(5)), "12345");
    EXPECT_EQ(narrow(digits.Last(7)), "12345");
}

TEST(NumberKeyTest, IsTheMarkerFollowedByTheDigitsFromLastToFirst)
{
    const auto key = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(u"+7 916 123-45-67"));
    ASSERT_TRUE(key);
    EXPECT_EQ(narrow(key->Text()), "~76543216197");
    EXPECT_EQ(key->Length(), 12u);

    const auto single = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(u"(5)"));
    ASSERT_TRUE(single);
    EXPECT_EQ(narrow(single->Text()), "~5");
}

TEST(NumberKeyTest, NoDigitsGiveNoKey)
{
    EXPECT_FALSE(NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(u"")));
    EXPECT_FALSE(NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(u"+() *#")));
}

TEST(NumberKeyTest, DroppingTheLastCharacterDropsTheNumbersLeadingDigit)
{
    auto key = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(u"4412"));
    ASSERT_TRUE(key);
    key->DropLastCharacter();
    EXPECT_EQ(narrow(key->Text()), "~214");
    for (int drop = 0; drop < 3; ++drop)
        key->DropLastCharacter();
    EXPECT_EQ(narrow(key->Text()), "~");
    // Dropping from an empty key leaves it empty.
    key->DropLastCharacter();
    key->DropLastCharacter();
    EXPECT_EQ(key->Length(), 0u);
}

TEST(PhoneFieldsTest, PhoneCharacterSet)
{
    for (const char16_t character : std::u16string(u"0123456789-+()*# ."))
        EXPECT_TRUE(vyx::IsPhoneCharacter(character)) << static_cast<int>(character);
    for (const char16_t character : std::u16string(u",;/pwW[]\tx\u00A0"))
        EXPECT_FALSE(vyx::IsPhoneCharacter(character)) << static_cast<int>(character);
}

TEST(PhoneFieldsTest, PreviousNumber)
{
    const struct {
        std::u16string field;
        std::u16string previous;
    } cases[] = {
        // Two numbers separated by a comma: the first, up to its last digit.
        { u"495 123-45-67, 8 916 765-43-21", u"495 123-45-67" },
        // Characters outside the phone set between the numbers, and after the last one.
        { u"123456 or 7654321 (home)", u"123456" },
        { u"1234567/89012", u"1234567" },
        // The number before ends exactly at index 5.
        { u"123456;7", u"123456" },
        // A single number has none before it.
        { u"+7 (916) 123-45-67", u"" },
        // The separator stands below index 6.
        { u"12345,67890123", u"" },
        { u"12, 34567890", u"" },
        // The separator is at index 6 but no digit stands at index 5 or beyond before it.
        { u"1234 x,7890123", u"" },
        // No digit at index 6 or beyond.
        { u"123456", u"" },
        { u"12345, abcdef", u"" },
        { u"", u"" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(narrow(vyx::PreviousNumber(c.field)), narrow(c.previous)) << narrow(c.field);
}

std::vector<std::string> keysOf(std::u16string_view field)
{
    std::vector<std::string> keys;
    for (const NumberKey& key : vyx::NumberKeysOfField(field))
        keys.push_back(narrow(key.Text()));
    return keys;
}

TEST(PhoneFieldsTest, NumberKeysOfField)
{
    const struct {
        std::u16string field;
        std::vector<std::string> keys;
    } cases[] = {
        { u"+7 916 123-45-67", { "~76543216197" } },
        // The whole field's digits, then those of the number before the last.
        { u"495 123-45-67, 8 916 765-43-21", { "~123456761987654321594", "~7654321594" } },
        // Three numbers: every earlier one in turn.
        { u"1112223; 4445556; 7778889", { "~988877765554443222111", "~65554443222111", "~3222111" } },
        // A field whose earlier number ends before index 5 gives only the key of its full digits.
        { u"1234 x,7890123", { "~32109874321" } },
        { u"12, 34567890", { "~0987654321" } },
        // Nothing to enter.
        { u"", {} },
        { u"none", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(keysOf(c.field), c.keys) << narrow(c.field);
}

TEST(PhoneFieldsTest, AFieldOfTwoNumbersIsFoundUnderEither)
{
    const auto keys = keysOf(u"495 123-45-67, 8 916 765-43-21");
    for (const std::u16string caller : { u"+7 495 123 45 67", u"89167654321", u"4951234567" }) {
        const auto callerKey = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(caller));
        ASSERT_TRUE(callerKey);
        // A caller's whole key (or a key shortened towards the stored digits) is a prefix of an entered key.
        bool found = false;
        for (std::string key = narrow(callerKey->Text()); key.size() > 6 && !found; key.pop_back()) {
            for (const std::string& entered : keys)
                found = found || entered.starts_with(key);
        }
        EXPECT_TRUE(found) << narrow(caller);
    }
}

TEST(NumberMatchTest, MatchesByTheLastSevenDigitsOrExactlyForShortNumbers)
{
    const struct {
        std::u16string caller;
        std::u16string stored;
        std::optional<std::string> tail;
    } cases[] = {
        // Full international and national forms of one number.
        { u"+7 (916) 123-45-67", u"89161234567", "1234567" },
        { u"89161234567", u"+7 (916) 123-45-67", "1234567" },
        // A seven-digit local number and the full form, both ways.
        { u"1234567", u"+7 916 123 45 67", "1234567" },
        { u"+7 916 123 45 67", u"123-45-67", "1234567" },
        // The stored number's tail is what is matched: fewer than seven digits must all agree.
        { u"+44 20 7946 0000", u"7946 0000", "9460000" },
        { u"+7 916 123456", u"123456", "123456" },
        { u"+7 916 123456", u"23456", "23456" },
        // A six-digit caller number cannot end in a seven-digit tail.
        { u"234567", u"1234567", std::nullopt },
        { u"234567", u"234567", "234567" },
        { u"+7 916 123-45-67", u"+7 916 123-45-68", std::nullopt },
        { u"+7 916 123-45-67", u"+7 916 023-45-67", std::nullopt },
        // Four- and five-digit numbers match only exactly.
        { u"0911", u"0911", "0911" },
        { u"0911", u"10911", std::nullopt },
        { u"0911", u"911", std::nullopt },
        { u"0911", u"+7 495 123 0911", std::nullopt },
        { u"12345", u"1-23-45", "12345" },
        { u"12345", u"912345", std::nullopt },
        // Stored numbers without digits never match.
        { u"1234567", u"", std::nullopt },
        { u"1234567", u"+()", std::nullopt },
    };
    for (const auto& c : cases) {
        const auto tail = vyx::NumbersMatch(PhoneDigits::DigitsOnly(c.caller), c.stored);
        EXPECT_EQ(tail ? std::optional(narrow(*tail)) : std::nullopt, c.tail) << narrow(c.caller) << " against " << narrow(c.stored);
    }
}

}
