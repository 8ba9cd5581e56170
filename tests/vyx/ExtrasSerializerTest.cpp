// Serialized extras: the exact bytes of a small record, entry lengths that stay compatible and address
// entries that hold their strings, round trips of generated extras, and corrupt records refused.
#include "tests/platform/ProgramSupport.h"
#include "tests/vyx/ExtrasDescription.h"
#include "vyx/contacts/ExtrasSerializer.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using testing_support::caseName;
using testing_support::describe;
using vyx::ContactExtras;
using vyx::ExtrasSerializer;
using Bytes = std::vector<BYTE>;

// Pieces of an expected record.
Bytes word(DWORD value)
{
    return { static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24) };
}

// UTF-16 with its terminator.
Bytes text(std::u16string_view characters)
{
    Bytes bytes;
    for (const char16_t character : characters) {
        bytes.push_back(static_cast<BYTE>(character));
        bytes.push_back(static_cast<BYTE>(character >> 8));
    }
    bytes.insert(bytes.end(), { 0, 0 });
    return bytes;
}

Bytes zeros(std::size_t count)
{
    return Bytes(count, 0);
}

Bytes joined(std::initializer_list<Bytes> pieces)
{
    Bytes bytes;
    for (const Bytes& piece : pieces)
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    return bytes;
}

DWORD wordAt(const Bytes& data, std::size_t offset)
{
    return data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) | (static_cast<DWORD>(data[offset + 3]) << 24);
}

ContactExtras smallExtras()
{
    ContactExtras extras;
    extras.stamp = 7;
    extras.homeNumber = 2;
    extras.phones = { { u"Da", u"12" } };
    extras.messengers = { { u"I", u"s", u"f" } };
    extras.addresses = { { u"H", { u"a", u"", u"", u"", u"" }, 3 } };
    extras.datedEntries = { { u"B", FILETIME { 0x11223344, 0x01D0AABB } } };
    return extras;
}

TEST(ExtrasSerializerTest, SmallRecordByteForByte)
{
    const Bytes expected = joined({
        // n, stamp, Home, Business, Other
        word(164), word(7), word(2), word(0), word(0),
        // phones, e-mail, web pages, people, links, other properties, messengers, addresses, dates
        word(56), word(76), word(76), word(76), word(76), word(76), word(76), word(96), word(144),
        // 56: the phone: (2·4 + 13) rounded down is 20; 16 bytes used.
        word(20), text(u"Da"), text(u"12"), zeros(4),
        // 76: the messenger: (2·3 + 15) rounded down is 20; 16 bytes used.
        word(20), text(u"I"), text(u"s"), text(u"f"), zeros(4),
        // 96: the address: name at 28, part 1 at 2·1 + 32 = 34, the parts up to 46, rounded up to 48
        // (the formula's (2·2 + 37) rounded down, 40, would end inside part 5).
        word(48), word(3), word(34), word(38), word(40), word(42), word(44), text(u"H"), zeros(2), text(u"a"), text(u""), text(u""),
        text(u""), text(u""), zeros(2),
        // 144: the date: (2·1 + 19) rounded down is 20; 16 bytes used.
        word(20), word(0x11223344), word(0x01D0AABB), text(u"B"), zeros(4),
    });
    const Bytes data = ExtrasSerializer::Serialize(smallExtras());
    EXPECT_EQ(data, expected);
    const auto read = ExtrasSerializer::Read(data);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, smallExtras());
}

TEST(ExtrasSerializerTest, EmptyExtrasAreTheHeaderAlone)
{
    ContactExtras extras;
    extras.stamp = 0xDEADBEEF;
    const Bytes data = ExtrasSerializer::Serialize(extras);
    ASSERT_EQ(data.size(), ExtrasSerializer::headerLength);
    for (std::size_t section = 0; section < 9; ++section)
        EXPECT_EQ(wordAt(data, 20 + 4 * section), 56u);
    EXPECT_EQ(ExtrasSerializer::Read(data), extras);
}

// The length of the one entry of a record holding only that entry.
DWORD onlyEntryLength(const ContactExtras& extras)
{
    const Bytes data = ExtrasSerializer::Serialize(extras);
    return wordAt(data, ExtrasSerializer::headerLength);
}

struct LengthCase {
    const char* name;
    ContactExtras extras;
    DWORD length;
    friend void PrintTo(const LengthCase& tested, std::ostream* out) { *out << tested.name; }
};

class EntryLengthTest : public ::testing::TestWithParam<LengthCase> { };

TEST_P(EntryLengthTest, IsTheFormulaOrWhatTheStringsNeed)
{
    const LengthCase& tested = GetParam();
    EXPECT_EQ(onlyEntryLength(tested.extras), tested.length);
    EXPECT_EQ(ExtrasSerializer::Read(ExtrasSerializer::Serialize(tested.extras)), tested.extras);
}

ContactExtras withPhone(std::u16string label, std::u16string value)
{
    ContactExtras extras;
    extras.phones.push_back({ std::move(label), std::move(value) });
    return extras;
}

ContactExtras withMessenger(std::u16string label, std::u16string second, std::u16string first)
{
    ContactExtras extras;
    extras.messengers.push_back({ std::move(label), std::move(second), std::move(first) });
    return extras;
}

ContactExtras withAddress(std::u16string name, std::array<std::u16string, 5> parts)
{
    ContactExtras extras;
    extras.addresses.push_back({ std::move(name), std::move(parts), 0 });
    return extras;
}

ContactExtras withDate(std::u16string label)
{
    ContactExtras extras;
    extras.datedEntries.push_back({ std::move(label), FILETIME { 1, 2 } });
    return extras;
}

// Pair, messenger and dated entries keep the formula's length, which always leaves room for their
// strings; address entries take what their strings need, rounded up to a word.
INSTANTIATE_TEST_SUITE_P(Entries, EntryLengthTest,
    ::testing::Values(
        LengthCase { "PairOfNoCharacters", withPhone(u"", u""), 12 },
        LengthCase { "PairOfOneCharacter", withPhone(u"a", u""), 12 },
        LengthCase { "PairOfTwoCharacters", withPhone(u"a", u"1"), 16 },
        LengthCase { "PairOfThreeCharacters", withPhone(u"ab", u"1"), 16 },
        LengthCase { "MessengerOfNoCharacters", withMessenger(u"", u"", u""), 12 },
        LengthCase { "MessengerOfThreeCharacters", withMessenger(u"a", u"b", u"c"), 20 },
        LengthCase { "MessengerOfFourCharacters", withMessenger(u"ab", u"b", u"c"), 20 },
        LengthCase { "DatedOfNoCharacters", withDate(u""), 16 },
        LengthCase { "DatedOfOneCharacter", withDate(u"a"), 20 },
        LengthCase { "DatedOfTwoCharacters", withDate(u"ab"), 20 },
        LengthCase { "AddressOfOneCharacter", withAddress(u"H", { u"", u"", u"", u"", u"" }), 44 },
        LengthCase { "AddressOfTwoCharacters", withAddress(u"H", { u"a", u"", u"", u"", u"" }), 48 },
        LengthCase { "AddressOfManyCharacters", withAddress(u"Dacha", { u"Lenina 1", u"Moscow", u"", u"123456", u"Russia" }), 104 }),
    caseName<LengthCase>);

TEST(ExtrasSerializerTest, StringsAreStoredUpToTheirFirstZero)
{
    const auto read = ExtrasSerializer::Read(ExtrasSerializer::Serialize(withPhone(std::u16string(u"ab\0cd", 5), u"1")));
    ASSERT_TRUE(read);
    EXPECT_EQ(describe(*read), std::vector<std::string> { "phone ab: 1" });
}

// ---- Round trips

std::u16string randomText(std::mt19937& random)
{
    // ASCII, Cyrillic, the rest of the plane, and now and then nothing at all.
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<int> kind(0, 2);
    std::u16string text(static_cast<std::size_t>(length(random)), u' ');
    for (char16_t& character : text) {
        switch (kind(random)) {
        case 0:
            character = static_cast<char16_t>(std::uniform_int_distribution<int>(0x20, 0x7E)(random));
            break;
        case 1:
            character = static_cast<char16_t>(std::uniform_int_distribution<int>(0x410, 0x44F)(random));
            break;
        default:
            character = static_cast<char16_t>(std::uniform_int_distribution<int>(1, 0xFFFF)(random));
            break;
        }
    }
    return text;
}

ContactExtras randomExtras(std::mt19937& random)
{
    std::uniform_int_distribution<int> count(0, 4);
    std::uniform_int_distribution<DWORD> anyWord;
    const auto pairs = [&] {
        std::vector<ContactExtras::Pair> list(static_cast<std::size_t>(count(random)));
        for (auto& pair : list)
            pair = { randomText(random), randomText(random) };
        return list;
    };
    ContactExtras extras;
    extras.phones = pairs();
    extras.emails = pairs();
    extras.webPages = pairs();
    extras.people = pairs();
    extras.links = pairs();
    extras.otherProperties = pairs();
    extras.messengers.resize(static_cast<std::size_t>(count(random)));
    for (auto& messenger : extras.messengers)
        messenger = { randomText(random), randomText(random), randomText(random) };
    extras.addresses.resize(static_cast<std::size_t>(count(random)));
    for (auto& address : extras.addresses) {
        address.name = randomText(random);
        for (auto& part : address.parts)
            part = randomText(random);
        address.number = anyWord(random);
    }
    extras.datedEntries.resize(static_cast<std::size_t>(count(random)));
    for (auto& dated : extras.datedEntries)
        dated = { randomText(random), FILETIME { anyWord(random), anyWord(random) } };
    extras.homeNumber = anyWord(random);
    extras.businessNumber = anyWord(random);
    extras.otherNumber = anyWord(random);
    extras.stamp = anyWord(random);
    return extras;
}

TEST(ExtrasSerializerTest, GeneratedExtrasComeBackEqual)
{
    const unsigned seed = 20260302;
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        const ContactExtras extras = randomExtras(random);
        const Bytes data = ExtrasSerializer::Serialize(extras);
        ASSERT_EQ(wordAt(data, 0), data.size());
        ASSERT_EQ(data.size() % 4, 0u);
        const auto read = ExtrasSerializer::Read(data);
        ASSERT_TRUE(read) << "seed " << seed << ", round " << round;
        ASSERT_EQ(*read, extras) << "seed " << seed << ", round " << round;
    }
}

// ---- Corrupt records

struct CorruptCase {
    const char* name;
    // Spoils a good serialization of smallExtras().
    std::function<void(Bytes&)> spoil;
    friend void PrintTo(const CorruptCase& tested, std::ostream* out) { *out << tested.name; }
};

class CorruptRecordTest : public ::testing::TestWithParam<CorruptCase> { };

TEST_P(CorruptRecordTest, IsRefused)
{
    Bytes data = ExtrasSerializer::Serialize(smallExtras());
    ASSERT_TRUE(ExtrasSerializer::Read(data));
    GetParam().spoil(data);
    EXPECT_FALSE(ExtrasSerializer::Read(data));
}

void putWord(Bytes& data, std::size_t offset, DWORD value)
{
    const Bytes bytes = word(value);
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

// Offsets in smallExtras()'s record.
constexpr std::size_t phoneEntry = 56;
constexpr std::size_t addressEntry = 96;
constexpr std::size_t datedEntry = 144;

INSTANTIATE_TEST_SUITE_P(Spoiled, CorruptRecordTest,
    ::testing::Values(
        CorruptCase { "TotalLengthLarger", [](Bytes& data) { putWord(data, 0, 168); } },
        CorruptCase { "TotalLengthSmaller", [](Bytes& data) { putWord(data, 0, 160); } },
        CorruptCase { "DataCutShort", [](Bytes& data) { data.resize(140); putWord(data, 0, 140); } },
        CorruptCase { "ShorterThanTheHeader", [](Bytes& data) { data.resize(52); putWord(data, 0, 52); } },
        CorruptCase { "EmptyData", [](Bytes& data) { data.clear(); } },
        CorruptCase { "FirstSectionNotAfterTheHeader", [](Bytes& data) { putWord(data, 20, 60); } },
        CorruptCase { "SectionsOutOfOrder", [](Bytes& data) { putWord(data, 44, 100); } },
        CorruptCase { "SectionPastTheEnd", [](Bytes& data) { putWord(data, 52, 200); } },
        CorruptCase { "EntryLengthZero", [](Bytes& data) { putWord(data, phoneEntry, 0); } },
        CorruptCase { "EntryLengthNotWhole", [](Bytes& data) { putWord(data, phoneEntry, 18); } },
        CorruptCase { "EntryPastItsSection", [](Bytes& data) { putWord(data, phoneEntry, 24); } },
        CorruptCase { "EntryLengthHuge", [](Bytes& data) { putWord(data, phoneEntry, 0xFFFFFFFC); } },
        CorruptCase { "SectionEndsInsideAnEntryLength", [](Bytes& data) {
            // The phone section runs to 78: after its 20-byte entry, two bytes are left.
            for (std::size_t start = 24; start <= 44; start += 4)
                putWord(data, start, 78);
        } },
        CorruptCase { "StringWithoutTerminator", [](Bytes& data) { std::fill(data.begin() + phoneEntry + 10, data.begin() + phoneEntry + 20, 0x41); } },
        CorruptCase { "AddressPartOffsetPastTheEntry", [](Bytes& data) { putWord(data, addressEntry + 8, 48); } },
        CorruptCase { "AddressPartOffsetOnTheLastByte", [](Bytes& data) { putWord(data, addressEntry + 8, 47); } },
        CorruptCase { "AddressPartOffsetHuge", [](Bytes& data) { putWord(data, addressEntry + 24, 0xFFFFFFFF); } },
        CorruptCase { "AddressTooShortForItsName", [](Bytes& data) {
            // A 28-byte address entry followed by a 20-byte filler the reader never reaches.
            putWord(data, addressEntry, 28);
            putWord(data, addressEntry + 28, 20);
        } },
        CorruptCase { "DatedTooShortForItsLabel", [](Bytes& data) { putWord(data, datedEntry, 12); putWord(data, datedEntry + 12, 8); } }),
    caseName<CorruptCase>);

}
