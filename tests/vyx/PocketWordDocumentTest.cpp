// Pocket Word documents: what counts as one, the record walk with its long payloads, the byte codes of
// text records, the counts-as-text test, and the rebuilt document without some of its characters.
// Documents that claim more than they hold are read within their bytes.
#include "tests/platform/ProgramSupport.h"
#include "tests/vyx/ExtrasDescription.h"
#include "tests/vyx/PocketWordBuilder.h"
#include "vyx/contacts/PocketWordDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using testing_support::ascii;
using testing_support::Bytes;
using testing_support::caseName;
using testing_support::pocketWordDocument;
using testing_support::pocketWordHeader;
using testing_support::pocketWordRecord;
using testing_support::textRecord;
using testing_support::utf8;
using vyx::PocketWordDocument;

Bytes operator+(Bytes first, const Bytes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string textOf(const Bytes& document)
{
    return utf8(PocketWordDocument(document).Text());
}

// ---- Telling a document from text

struct SignatureCase {
    const char* name;
    Bytes bytes;
    bool isPocketWord;
    friend void PrintTo(const SignatureCase& tested, std::ostream* out) { *out << tested.name; }
};

class PocketWordSignatureTest : public ::testing::TestWithParam<SignatureCase> { };

TEST_P(PocketWordSignatureTest, Recognises)
{
    EXPECT_EQ(PocketWordDocument::IsPocketWord(GetParam().bytes), GetParam().isPocketWord);
}

INSTANTIATE_TEST_SUITE_P(Signatures, PocketWordSignatureTest,
    ::testing::Values(
        SignatureCase { "HeaderAndOneByte", pocketWordHeader() + Bytes { 0 }, true },
        SignatureCase { "FourteenBytesAreTooFew", pocketWordHeader(), false },
        SignatureCase { "OtherSignature", ascii("{\\pwx") + Bytes(10, 0x01), false },
        SignatureCase { "PlainText", ascii("{\\pwi is how it begins"), false },
        SignatureCase { "LowByteAtFive", ascii("{\\pwi") + Bytes { 0x09 } + ascii("abcdefghi"), true },
        SignatureCase { "LowByteAtThirteen", ascii("{\\pwi") + ascii("abcdefgh") + Bytes { 0x00, 'x' }, true },
        SignatureCase { "LowByteOnlyAtFourteen", ascii("{\\pwi") + ascii("abcdefghi") + Bytes { 0x00 }, false },
        SignatureCase { "TenIsNotBelowTen", ascii("{\\pwi") + Bytes(10, 0x0A), false }),
    caseName<SignatureCase>);

// ---- The codes of a text record

struct CodeCase {
    const char* name;
    Bytes codes;
    WORD count;
    std::u16string text;
    friend void PrintTo(const CodeCase& tested, std::ostream* out) { *out << tested.name; }
};

class PocketWordCodeTest : public ::testing::TestWithParam<CodeCase> { };

TEST_P(PocketWordCodeTest, Decodes)
{
    const CodeCase& tested = GetParam();
    EXPECT_EQ(textOf(pocketWordDocument({ textRecord(tested.codes, tested.count) })), utf8(tested.text));
}

INSTANTIATE_TEST_SUITE_P(Codes, PocketWordCodeTest,
    ::testing::Values(
        CodeCase { "SingleBytes", ascii("Hi, \x7F!"), 6, u"Hi, \x7F!" },
        CodeCase { "SixLowBitsAndNextByte", { 0x96, 0x10, 0x80, 0x00, 0xBF, 0xFF }, 3, u"Ж\x0000\x3FFF"s },
        CodeCase { "C1NextByteAsCharacter", { 'a', 0xC1, 0xE9, 0xC1, 0x7B }, 3, u"aé{" },
        CodeCase { "C4ZeroIsNothing", { 'a', 0xC4, 0x00, 'b' }, 3, u"ab" },
        CodeCase { "C4FourIsTab", { 'a', 0xC4, 0x04, 'b' }, 3, u"a\tb" },
        CodeCase { "C4NineteenTakesFourBytes", { 'a', 0xC4, 0x19, 'x', 'y', 'b' }, 3, u"ab" },
        CodeCase { "C4TwentySevenTakesEightBytes", { 'a', 0xC4, 0x1B, 'x', 'x', 'x', 'x', 'x', 'x', 'b' }, 3, u"ab" },
        CodeCase { "C4OtherEndsTheText", { 'a', 0xC4, 0x05, 'b' }, 3, u"a" },
        CodeCase { "ThreeByteMarks",
            { 'a', 0xC2, 'x', 'x', 0xC3, 'x', 'x', 0xC5, 'x', 'x', 0xE5, 'x', 'x', 0xE6, 'x', 'x', 0xE7, 'x', 'x', 0xE8, 'x', 'x', 'b' },
            9, u"ab" },
        CodeCase { "TwoByteMarks", { 'a', 0xE9, 'x', 0xEA, 'x', 0xEB, 'x', 0xEC, 'x', 'b' }, 6, u"ab" },
        CodeCase { "EFTakesFourBytes", { 'a', 0xEF, 'x', 'x', 'x', 'b' }, 3, u"ab" },
        CodeCase { "F1TakesEightBytes", { 'a', 0xF1, 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'b' }, 3, u"ab" },
        CodeCase { "UnknownLeadEndsTheText", { 'a', 0xC0, 'b' }, 3, u"a" },
        CodeCase { "UnknownHighLeadEndsTheText", { 'a', 0xFF, 'b' }, 3, u"a" },
        CodeCase { "CountLimitsTheCodes", ascii("abc"), 2, u"ab" },
        CodeCase { "MarksCountAsCodes", { 'a', 0xE9, 'x', 'b' }, 2, u"a" },
        CodeCase { "CountPastTheRecordStopsAtItsEnd", ascii("abcd"), 500, u"abcd" },
        CodeCase { "CodeCutOffByTheRecordEnd", { 'a', 'b', 'c', 0x80 }, 4, u"abc" },
        CodeCase { "LongCodeCutOffByTheRecordEnd", { 'a', 0xF1, 'x', 'x' }, 2, u"a" }),
    caseName<CodeCase>);

// ---- The record walk

TEST(PocketWordRecordsTest, TextRecordsJoinedByOneBlankOthersSkipped)
{
    const Bytes document = pocketWordDocument({ pocketWordRecord('P', ascii("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA")), textRecord("Call"),
        pocketWordRecord('B', Bytes(8, 'A')), textRecord("after"), textRecord(""), textRecord("six") });
    EXPECT_EQ(textOf(document), "Call after  six");
}

TEST(PocketWordRecordsTest, LongPayloadsOfUAndO)
{
    // 'U' and 'o' count their payload in bytes, plus 65536 for each unit of byte 1; a text record
    // inside such a payload is not one of the document's.
    Bytes shortU { 'U', 0, 0, 0, 5, 0 };
    shortU = shortU + ascii("AAAAA");
    Bytes longO { 'o', 1, 0, 0, 3, 0 };
    longO = longO + textRecord("hidden") + Bytes(65536 + 3 - textRecord("hidden").size(), 0);
    const Bytes document = pocketWordDocument({ shortU, textRecord("one"), longO, textRecord("two") });
    EXPECT_EQ(textOf(document), "one two");
}

TEST(PocketWordRecordsTest, ClaimsBeyondTheDocumentAreReadWithinIt)
{
    // A text record that claims 1000 words and 0xFFFF characters and holds eight.
    Bytes claiming = textRecord(ascii("partial."), 0xFFFF);
    claiming[4] = 0xE8;
    claiming[5] = 0x03;
    EXPECT_EQ(textOf(pocketWordDocument({ textRecord("first"), claiming })), "first partial.");
    // Records too short for their count or their codes hold no text; a tail shorter than a record
    // header is no record.
    const Bytes tooShort = pocketWordRecord('A', { 0, 0, 5, 0 });
    EXPECT_EQ(textOf(pocketWordDocument({ tooShort, textRecord("x"), Bytes { 'A', 0, 0, 0, 9 } })), " x");
    EXPECT_EQ(textOf(pocketWordHeader() + Bytes { 'A' }), "");
}

// ---- Counting as text

struct TextOnlyCase {
    const char* name;
    std::vector<Bytes> records;
    bool textOnly;
    friend void PrintTo(const TextOnlyCase& tested, std::ostream* out) { *out << tested.name; }
};

class PocketWordTextOnlyTest : public ::testing::TestWithParam<TextOnlyCase> { };

TEST_P(PocketWordTextOnlyTest, Decides)
{
    Bytes document = pocketWordHeader();
    for (const Bytes& record : GetParam().records)
        document = document + record;
    EXPECT_EQ(PocketWordDocument(document).CountsAsTextOnly(), GetParam().textOnly);
}

// A '@' record with the words at its offsets 10 and 14.
Bytes pageRecord(DWORD first, DWORD second)
{
    Bytes payload(12, 0);
    for (int i = 0; i < 4; ++i) {
        payload[4 + i] = static_cast<BYTE>(first >> (8 * i));
        payload[8 + i] = static_cast<BYTE>(second >> (8 * i));
    }
    return pocketWordRecord('@', payload);
}

Bytes richRecord(BYTE type)
{
    return pocketWordRecord(type, Bytes(8, 0));
}

INSTANTIATE_TEST_SUITE_P(Records, PocketWordTextOnlyTest,
    ::testing::Values(
        TextOnlyCase { "NoRecords", {}, true },
        TextOnlyCase { "TextAndPlainRecords", { textRecord("a"), pocketWordRecord('P', Bytes(8, 0)), pocketWordRecord('B', {}) }, true },
        TextOnlyCase { "PageWithEqualWords", { pageRecord(0x12345678, 0x12345678), textRecord("a") }, true },
        TextOnlyCase { "PageWithUnequalWords", { textRecord("a"), pageRecord(0x12345678, 0x12345679) }, false },
        TextOnlyCase { "PageTooShortForItsWords", { pocketWordRecord('@', Bytes(8, 0)) }, false },
        TextOnlyCase { "RecordC", { textRecord("a"), richRecord('C') }, false },
        TextOnlyCase { "RecordT", { richRecord('T') }, false },
        TextOnlyCase { "RecordU", { Bytes { 'U', 0, 0, 0, 0, 0 } }, false },
        TextOnlyCase { "RecordG", { richRecord('g') }, false },
        TextOnlyCase { "RecordM", { richRecord('m') }, false },
        TextOnlyCase { "RecordO", { Bytes { 'o', 0, 0, 0, 0, 0 } }, false },
        TextOnlyCase { "Record83", { richRecord(0x83) }, false }),
    caseName<TextOnlyCase>);

// ---- Rebuilding without characters

TEST(PocketWordRebuildTest, RecordShortenedAndCountsCorrected)
{
    const Bytes original = pocketWordDocument({ textRecord("abcdef"), richRecord('C') });
    // "abcdef" takes 24 + 6 payload bytes, padded to 32; "adef" and the old padding take 30, padded
    // to 32 again: 8 words, 4 characters.
    const Bytes expected = pocketWordDocument({ textRecord(ascii("adef") + Bytes { 0, 0 }, 4), richRecord('C') });
    EXPECT_EQ(PocketWordDocument(original).WithoutCharacters(1, 3), expected);

    const Bytes shorter = pocketWordDocument({ textRecord("abcdefgh"), richRecord('C') });
    const Bytes rebuilt = PocketWordDocument(shorter).WithoutCharacters(0, 5);
    ASSERT_EQ(rebuilt.size(), shorter.size() - 4);
    EXPECT_EQ(rebuilt[pocketWordHeader().size() + 4], 7);
    EXPECT_EQ(rebuilt[pocketWordHeader().size() + 8], 3);
    EXPECT_EQ(textOf(rebuilt), "fgh");
    EXPECT_FALSE(PocketWordDocument(rebuilt).CountsAsTextOnly());
}

TEST(PocketWordRebuildTest, SpanAcrossRecordsLeavesTheBlankBetweenThem)
{
    const Bytes original = pocketWordDocument({ textRecord("hello"), pocketWordRecord('P', Bytes(4, 'A')), textRecord("world"), richRecord('g') });
    const Bytes rebuilt = PocketWordDocument(original).WithoutCharacters(3, 8);
    EXPECT_EQ(textOf(rebuilt), "hel rld");
    EXPECT_FALSE(PocketWordDocument(rebuilt).CountsAsTextOnly());
    EXPECT_EQ(PocketWordDocument(original).WithoutCharacters(0, 0), original);
    EXPECT_EQ(PocketWordDocument(original).WithoutCharacters(20, 30), original);
}

TEST(PocketWordRebuildTest, MarksAndUnknownCodesStay)
{
    // Formatting marks draw no character and stay; the codes after one the reader does not know
    // stay too, still counted.
    const Bytes codes { 'a', 0xC4, 0x00, 'b', 0xE9, 'x', 'c', 0xC0, 'z', 'z' };
    const Bytes rebuilt = PocketWordDocument(pocketWordDocument({ textRecord(codes, 8) })).WithoutCharacters(0, 3);
    const Bytes kept { 0xC4, 0x00, 0xE9, 'x', 0xC0, 'z', 'z' };
    EXPECT_EQ(rebuilt, pocketWordDocument({ textRecord(kept + Bytes { 0, 0 }, 5) }));
}

TEST(PocketWordRebuildTest, RecordEndingBeforeItsCountGetsTheCountItKeeps)
{
    // The record claims 500 characters and holds four; without one of them it holds three, and the
    // zeros padding it out are no characters.
    const Bytes rebuilt = PocketWordDocument(pocketWordDocument({ textRecord(ascii("abcd"), 500) })).WithoutCharacters(1, 2);
    EXPECT_EQ(textOf(rebuilt), "acd");
    EXPECT_EQ(rebuilt, pocketWordDocument({ textRecord(ascii("acd"), 3) }));
}

}
