// Str: the block header and block sizes, the shared empty block, copy-on-write for every changing
// operation, buffers handed out for writing, the text operations and printf-style formatting.
#include "common/Str.h"

#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>

using testing_support::caseName;

namespace {

std::u16string textOf(const Str& text)
{
    return std::u16string(static_cast<LPCWSTR>(text), static_cast<std::size_t>(text.GetLength()));
}

// The characters follow the header directly.
bool charactersFollowHeader(const Str& text)
{
    return reinterpret_cast<const std::byte*>(&text.Header()) + sizeof(StrHeader)
        == reinterpret_cast<const std::byte*>(static_cast<LPCWSTR>(text));
}

const StrHeader& emptyHeader()
{
    static const Str empty;
    return empty.Header();
}

TEST(StrBlockTest, HeaderIsThreeSigned32BitWordsBeforeTheCharacters)
{
    static_assert(sizeof(StrHeader) == 12);
    const Str text(u"abc");
    EXPECT_TRUE(charactersFollowHeader(text));
    EXPECT_EQ(text.Header().references, 1);
    EXPECT_EQ(text.Header().length, 3);
    EXPECT_EQ(static_cast<LPCWSTR>(text)[3], u'\0');
}

struct BlockSizeCase {
    const char* name;
    friend void PrintTo(const BlockSizeCase& tested, std::ostream* out) { *out << tested.name; }
    int characters;
    int capacity;
};

class StrBlockSizeTest : public ::testing::TestWithParam<BlockSizeCase> { };

TEST_P(StrBlockSizeTest, BlockForTheTextIsRoundedUpToTheSizeClassOrExactAbove512Bytes)
{
    const BlockSizeCase& param = GetParam();
    const std::u16string characters(static_cast<std::size_t>(param.characters), u'x');

    const Str constructed(characters.c_str());
    EXPECT_EQ(constructed.Header().capacity, param.capacity);
    EXPECT_EQ(constructed.Header().length, param.characters);

    Str buffered;
    buffered.GetBuffer(param.characters);
    EXPECT_EQ(buffered.Header().capacity, param.capacity);
    buffered.ReleaseBuffer(param.characters);
    EXPECT_EQ(buffered.Header().length, param.characters);
}

INSTANTIATE_TEST_SUITE_P(Sizes, StrBlockSizeTest,
    ::testing::Values(BlockSizeCase { "One", 1, 64 }, BlockSizeCase { "FillsSixtyFourExactly", 25, 64 },
        BlockSizeCase { "OneAboveSixtyFour", 26, 128 }, BlockSizeCase { "Fills128Exactly", 57, 128 },
        BlockSizeCase { "OneAbove128", 58, 256 }, BlockSizeCase { "Fills256Exactly", 121, 256 },
        BlockSizeCase { "OneAbove256", 122, 512 }, BlockSizeCase { "Fills512Exactly", 249, 512 },
        BlockSizeCase { "OneAbove512IsExact", 250, 514 }, BlockSizeCase { "ThousandIsExact", 1000, 2014 }),
    caseName<BlockSizeCase>);

TEST(StrBlockTest, EveryEmptyTextSharesTheOneStaticBlockWithoutCounting)
{
    const Str constructed;
    const Str fromEmptyText(u"");
    const Str fromNull(nullptr);
    Str emptied(u"abc");
    emptied.Empty();
    Str assignedEmpty(u"abc");
    assignedEmpty = u"";
    const Str copy = constructed;
    const Str cutToNothing = Str(u"abc").Left(0);

    const std::initializer_list<const Str*> handles { &constructed, &fromEmptyText, &fromNull, &emptied,
                                                      &assignedEmpty, &copy, &cutToNothing };
    for (const Str* text : handles) {
        EXPECT_EQ(&text->Header(), &emptyHeader());
        EXPECT_EQ(textOf(*text), u"");
    }
    {
        const Str more[3] {};
        EXPECT_EQ(&more[2].Header(), &emptyHeader());
    }
    EXPECT_EQ(emptyHeader().references, 100);
    EXPECT_EQ(emptyHeader().length, 0);
    EXPECT_EQ(emptyHeader().capacity, 64);
    EXPECT_TRUE(charactersFollowHeader(constructed));
}

TEST(StrCopyTest, CopiesShareTheBlockAndCountIt)
{
    const Str original(u"Hello");
    {
        const Str copy(original);
        Str assigned;
        assigned = original;
        EXPECT_EQ(&copy.Header(), &original.Header());
        EXPECT_EQ(&assigned.Header(), &original.Header());
        EXPECT_EQ(original.Header().references, 3);
    }
    EXPECT_EQ(original.Header().references, 1);
}

TEST(StrCopyTest, MovedFromHandleIsLeftEmpty)
{
    Str source(u"moved");
    const StrHeader* block = &source.Header();
    Str target(std::move(source));
    EXPECT_EQ(&target.Header(), block);
    EXPECT_EQ(textOf(source), u"");
    Str assigned(u"old");
    assigned = std::move(target);
    EXPECT_EQ(&assigned.Header(), block);
    EXPECT_EQ(assigned.Header().references, 1);
    EXPECT_EQ(textOf(target), u"");
}

struct ChangeCase {
    const char* name;
    friend void PrintTo(const ChangeCase& tested, std::ostream* out) { *out << tested.name; }
    std::function<void(Str&)> change;
    std::u16string expected;
};

class StrCopyOnWriteTest : public ::testing::TestWithParam<ChangeCase> { };

TEST_P(StrCopyOnWriteTest, ChangingACopyLeavesTheOriginal)
{
    const Str original(u" Hello, World ");
    Str copy(original);
    GetParam().change(copy);
    EXPECT_EQ(textOf(copy), GetParam().expected);
    EXPECT_EQ(textOf(original), u" Hello, World ");
    EXPECT_NE(&copy.Header(), &original.Header());
    EXPECT_EQ(original.Header().references, 1);
}

TEST_P(StrCopyOnWriteTest, ChangingTheOriginalLeavesTheCopy)
{
    Str original(u" Hello, World ");
    const Str copy(original);
    GetParam().change(original);
    EXPECT_EQ(textOf(original), GetParam().expected);
    EXPECT_EQ(textOf(copy), u" Hello, World ");
}

INSTANTIATE_TEST_SUITE_P(Changes, StrCopyOnWriteTest,
    ::testing::Values(ChangeCase { "AppendStr", [](Str& text) { text += Str(u"!"); }, u" Hello, World !" },
        ChangeCase { "AppendText", [](Str& text) { text += u"!!"; }, u" Hello, World !!" },
        ChangeCase { "AppendCharacter", [](Str& text) { text += u'?'; }, u" Hello, World ?" },
        ChangeCase { "SetAt", [](Str& text) { text.SetAt(1, u'J'); }, u" Jello, World " },
        ChangeCase { "TrimLeft", [](Str& text) { text.TrimLeft(); }, u"Hello, World " },
        ChangeCase { "TrimRight", [](Str& text) { text.TrimRight(); }, u" Hello, World" },
        ChangeCase { "CutAtLast", [](Str& text) { text.CutAtLast(u','); }, u" Hello" },
        ChangeCase { "MakeReverse", [](Str& text) { text.MakeReverse(); }, u" dlroW ,olleH " },
        ChangeCase { "MakeLower", [](Str& text) { text.MakeLower(); }, u" hello, world " },
        ChangeCase { "Format", [](Str& text) { text.Format(u"%d", 7); }, u"7" },
        ChangeCase { "AssignText", [](Str& text) { text = u"other"; }, u"other" },
        ChangeCase { "WriteThroughBuffer",
            [](Str& text) {
                text.GetBuffer(0)[1] = u'Y';
                text.ReleaseBuffer();
            },
            u" Yello, World " }),
    caseName<ChangeCase>);

TEST(StrBufferTest, BufferTakenAndNotReleasedIsCopiedNotShared)
{
    Str written(u"abc");
    const LPWSTR buffer = written.GetBuffer(10);
    EXPECT_LT(written.Header().references, 0);

    const Str constructed(written);
    Str assigned(u"old");
    assigned = written;
    EXPECT_NE(&constructed.Header(), &written.Header());
    EXPECT_NE(&assigned.Header(), &written.Header());
    EXPECT_EQ(constructed.Header().references, 1);

    buffer[0] = u'x';
    written.ReleaseBuffer();
    EXPECT_EQ(textOf(written), u"xbc");
    EXPECT_EQ(written.Header().references, 1);
    EXPECT_EQ(textOf(constructed), u"abc");
    EXPECT_EQ(textOf(assigned), u"abc");

    // Released, the block is shared again.
    const Str later(written);
    EXPECT_EQ(&later.Header(), &written.Header());
}

TEST(StrBufferTest, BufferOfASharedBlockIsTheHandlesOwnCopy)
{
    const Str original(u"abc");
    Str copy(original);
    copy.GetBuffer(0)[0] = u'X';
    copy.ReleaseBuffer();
    EXPECT_EQ(textOf(original), u"abc");
    EXPECT_EQ(textOf(copy), u"Xbc");
}

TEST(StrBufferTest, LargerBufferKeepsTheTextAndASecondRequestKeepsTheBuffer)
{
    Str text(u"abc");
    const LPWSTR first = text.GetBuffer(100);
    EXPECT_EQ(text.Header().capacity, 256);
    EXPECT_EQ(std::u16string(first), u"abc");
    EXPECT_EQ(text.GetBuffer(50), first);
    text.ReleaseBuffer();
    EXPECT_EQ(textOf(text), u"abc");
}

TEST(StrBufferTest, ReleaseSetsTheLengthFromTheFirstNulOrAsGiven)
{
    Str text;
    LPWSTR buffer = text.GetBuffer(10);
    std::u16string(u"abcdef").copy(buffer, 6);
    buffer[6] = u'\0';
    text.ReleaseBuffer();
    EXPECT_EQ(text.GetLength(), 6);

    buffer = text.GetBuffer(0);
    text.ReleaseBuffer(2);
    EXPECT_EQ(textOf(text), u"ab");
    EXPECT_EQ(static_cast<LPCWSTR>(text)[2], u'\0');
    EXPECT_EQ(text.Header().references, 1);
}

TEST(StrBufferTest, ReleaseWithoutNulStopsAtTheEndOfTheBlock)
{
    Str text;
    const LPWSTR buffer = text.GetBuffer(1);
    std::fill_n(buffer, 26, u'z');
    text.ReleaseBuffer();
    EXPECT_EQ(text.GetLength(), 25);
    EXPECT_EQ(text.Header().capacity, 64);
}

TEST(StrBufferTest, ChangingAMarkedBlockMovesTheTextToABlockOfItsOwn)
{
    Str text(u"abc");
    const LPWSTR buffer = text.GetBuffer(0);
    EXPECT_LT(text.Header().references, 0);
    text += u"d";
    EXPECT_EQ(text.Header().references, 1);
    EXPECT_NE(static_cast<LPCWSTR>(text), buffer);
    EXPECT_EQ(textOf(text), u"abcd");
}

struct PartCase {
    const char* name;
    friend void PrintTo(const PartCase& tested, std::ostream* out) { *out << tested.name; }
    std::function<Str(const Str&)> take;
    std::u16string expected;
};

class StrPartTest : public ::testing::TestWithParam<PartCase> { };

TEST_P(StrPartTest, PartsAreClampedToTheText)
{
    const Str whole(u"abcdef");
    EXPECT_EQ(textOf(GetParam().take(whole)), GetParam().expected);
    EXPECT_EQ(textOf(whole), u"abcdef");
}

INSTANTIATE_TEST_SUITE_P(Parts, StrPartTest,
    ::testing::Values(PartCase { "Left", [](const Str& text) { return text.Left(2); }, u"ab" },
        PartCase { "LeftNegative", [](const Str& text) { return text.Left(-1); }, u"" },
        PartCase { "LeftBeyond", [](const Str& text) { return text.Left(10); }, u"abcdef" },
        PartCase { "MidToTheEnd", [](const Str& text) { return text.Mid(2); }, u"cdef" },
        PartCase { "MidCounted", [](const Str& text) { return text.Mid(2, 3); }, u"cde" },
        PartCase { "MidFromBeforeTheStart", [](const Str& text) { return text.Mid(-1, 2); }, u"ab" },
        PartCase { "MidCountBeyond", [](const Str& text) { return text.Mid(4, 10); }, u"ef" },
        PartCase { "MidStartBeyond", [](const Str& text) { return text.Mid(10); }, u"" },
        PartCase { "Right", [](const Str& text) { return text.Right(2); }, u"ef" },
        PartCase { "RightBeyond", [](const Str& text) { return text.Right(10); }, u"abcdef" },
        PartCase { "RightNegative", [](const Str& text) { return text.Right(-3); }, u"" }),
    caseName<PartCase>);

TEST(StrPartTest, WholeTextIsSharedNotCopied)
{
    const Str whole(u"abcdef");
    EXPECT_EQ(&whole.Left(6).Header(), &whole.Header());
    EXPECT_EQ(&whole.Mid(0).Header(), &whole.Header());
    EXPECT_EQ(&whole.Right(99).Header(), &whole.Header());
}

TEST(StrSearchTest, FindsCharactersAndTextsFromAStartAndTheLastCharacter)
{
    const Str text(u"a,b,,c");
    EXPECT_EQ(text.Find(u','), 1);
    EXPECT_EQ(text.Find(u',', 2), 3);
    EXPECT_EQ(text.Find(u',', -5), 1);
    EXPECT_EQ(text.Find(u',', 5), -1);
    EXPECT_EQ(text.Find(u',', 60), -1);
    EXPECT_EQ(text.Find(u"x"), -1);
    EXPECT_EQ(text.Find(u",,"), 3);
    EXPECT_EQ(text.Find(u"c", 4), 5);
    EXPECT_EQ(text.Find(u"a,b,,c,"), -1);
    EXPECT_EQ(text.Find(static_cast<LPCWSTR>(nullptr)), -1);
    EXPECT_EQ(text.ReverseFind(u','), 4);
    EXPECT_EQ(text.ReverseFind(u'a'), 0);
    EXPECT_EQ(text.ReverseFind(u'x'), -1);
    EXPECT_EQ(Str().Find(u'a'), -1);
    EXPECT_EQ(Str().ReverseFind(u'a'), -1);
}

TEST(StrTrimTest, TrimsEveryWhiteSpaceCharacterAndOnlyThose)
{
    Str text(u"\t\u00A0 \r\na b\u3000\u2003\v\f ");
    Str left(text);
    left.TrimLeft();
    EXPECT_EQ(textOf(left), u"a b\u3000\u2003\v\f ");
    Str right(text);
    right.TrimRight();
    EXPECT_EQ(textOf(right), u"\t\u00A0 \r\na b");

    Str kept(u"_x_");
    const StrHeader* block = &kept.Header();
    kept.TrimLeft();
    kept.TrimRight();
    EXPECT_EQ(textOf(kept), u"_x_");
    EXPECT_EQ(&kept.Header(), block);

    Str blank(u" \t ");
    blank.TrimRight();
    EXPECT_EQ(&blank.Header(), &emptyHeader());
}

TEST(StrCutTest, CutsBeforeTheLastOccurrenceOnly)
{
    Str path(u"\\Skins\\Blue\\skin.xml");
    EXPECT_TRUE(path.CutAtLast(u'\\'));
    EXPECT_EQ(textOf(path), u"\\Skins\\Blue");

    Str plain(u"skin.xml");
    EXPECT_FALSE(plain.CutAtLast(u'\\'));
    EXPECT_EQ(textOf(plain), u"skin.xml");
}

TEST(StrCaseTest, LowerCaseCoversLatinAndCyrillicLetters)
{
    Str text(u"HeLLo ПРИВЕТ ЁЖ ЂЏ ÀÉÞ × 1-Z");
    text.MakeLower();
    EXPECT_EQ(textOf(text), u"hello привет ёж ђџ àéþ × 1-z");
}

TEST(StrCaseTest, ReverseTurnsTheTextAround)
{
    Str text(u"abc");
    text.MakeReverse();
    EXPECT_EQ(textOf(text), u"cba");
    Str single(u"a");
    single.MakeReverse();
    EXPECT_EQ(textOf(single), u"a");
}

TEST(StrSetAtTest, OutsideTheTextChangesNothing)
{
    Str text(u"abc");
    const Str copy(text);
    text.SetAt(3, u'x');
    text.SetAt(-1, u'x');
    EXPECT_EQ(textOf(text), u"abc");
    EXPECT_EQ(&text.Header(), &copy.Header());
    EXPECT_EQ(text.GetAt(1), u'b');
    EXPECT_EQ(text.GetAt(3), u'\0');
}

TEST(StrJoinTest, ConcatenationsMakeNewStrings)
{
    const Str head(u"ab");
    const Str tail(u"cd");
    EXPECT_EQ(textOf(head + tail), u"abcd");
    EXPECT_EQ(textOf(u"<" + head), u"<ab");
    EXPECT_EQ(textOf(head + u">"), u"ab>");
    EXPECT_EQ(textOf(Str() + Str()), u"");
    EXPECT_EQ(textOf(head), u"ab");
    EXPECT_EQ(textOf(tail), u"cd");
}

TEST(StrJoinTest, AppendingItselfOrAPartOfItselfWorks)
{
    Str text(u"ab");
    text += text;
    EXPECT_EQ(textOf(text), u"abab");
    text += static_cast<LPCWSTR>(text) + 2;
    EXPECT_EQ(textOf(text), u"ababab");

    Str grown(std::u16string(25, u'x').c_str());
    grown += grown;
    EXPECT_EQ(textOf(grown), std::u16string(50, u'x'));
    EXPECT_EQ(grown.Header().capacity, 128);

    Str trimmed(u"  abc");
    trimmed = static_cast<LPCWSTR>(trimmed) + 2;
    EXPECT_EQ(textOf(trimmed), u"abc");
}

TEST(StrJoinTest, AppendingGrowsTheBlockThroughTheSizeClasses)
{
    Str text;
    std::u16string expected;
    for (int count = 0; count < 300; ++count) {
        const char16_t character = static_cast<char16_t>(u'a' + count % 26);
        text += character;
        expected += character;
        ASSERT_GE(text.Header().capacity, (text.GetLength() + 7) * 2);
    }
    EXPECT_EQ(textOf(text), expected);
    EXPECT_EQ(text.Header().capacity, 614);
}

TEST(StrCompareTest, ComparesTextsAndStrs)
{
    EXPECT_TRUE(Str(u"abc") == u"abc");
    EXPECT_FALSE(Str(u"abc") == u"abd");
    EXPECT_FALSE(Str(u"abc") == u"ab");
    EXPECT_TRUE(Str() == nullptr);
    EXPECT_TRUE(Str(u"abc") == Str(u"abc"));
    EXPECT_FALSE(Str(u"abc") == Str(u"abcd"));
}

struct FormatCase {
    const char* name;
    friend void PrintTo(const FormatCase& tested, std::ostream* out) { *out << tested.name; }
    std::function<void(Str&)> format;
    std::u16string expected;
};

class StrFormatTest : public ::testing::TestWithParam<FormatCase> { };

TEST_P(StrFormatTest, FormatsLikePrintf)
{
    Str text(u"previous");
    GetParam().format(text);
    EXPECT_EQ(textOf(text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Conversions, StrFormatTest,
    ::testing::Values(FormatCase { "Decimal", [](Str& text) { text.Format(u"%d", 42); }, u"42" },
        FormatCase { "DecimalI", [](Str& text) { text.Format(u"%i", -7); }, u"-7" },
        FormatCase { "Smallest", [](Str& text) { text.Format(u"%d", INT_MIN); }, u"-2147483648" },
        FormatCase { "Width", [](Str& text) { text.Format(u"%5d", 42); }, u"   42" },
        FormatCase { "LeftAligned", [](Str& text) { text.Format(u"%-5d|", 42); }, u"42   |" },
        FormatCase { "ZeroPaddedNegative", [](Str& text) { text.Format(u"%05d", -42); }, u"-0042" },
        FormatCase { "PlusSign", [](Str& text) { text.Format(u"%+d %+d", 5, -5); }, u"+5 -5" },
        FormatCase { "SpaceSign", [](Str& text) { text.Format(u"% d", 5); }, u" 5" },
        FormatCase { "Precision", [](Str& text) { text.Format(u"%.3d|%5.3d", 7, 7); }, u"007|  007" },
        FormatCase { "PrecisionTurnsZerosOff", [](Str& text) { text.Format(u"%05.2d", 7); }, u"   07" },
        FormatCase { "ZeroWithPrecisionZero", [](Str& text) { text.Format(u"[%.0d]", 0); }, u"[]" },
        FormatCase { "StarWidth", [](Str& text) { text.Format(u"%*d|%*d|", 4, 7, -3, 7); }, u"   7|7  |" },
        FormatCase { "Unsigned", [](Str& text) { text.Format(u"%u", 4294967295u); }, u"4294967295" },
        FormatCase { "Hex", [](Str& text) { text.Format(u"%x %X", 0x1a2bu, 0x1a2bu); }, u"1a2b 1A2B" },
        FormatCase { "HexPadded", [](Str& text) { text.Format(u"%08X", 0x10000u); }, u"00010000" },
        FormatCase { "HexAlternate", [](Str& text) { text.Format(u"%#x %#X %#x", 255u, 255u, 0u); }, u"0xff 0XFF 0" },
        FormatCase { "LongPrefix", [](Str& text) { text.Format(u"%ld %lu %lx", -1, 2u, 255u); }, u"-1 2 ff" },
        FormatCase { "WideText", [](Str& text) { text.Format(u"<%s>", u"текст"); }, u"<текст>" },
        FormatCase { "TextWidths", [](Str& text) { text.Format(u"%-4s|%4s|", u"ab", u"ab"); }, u"ab  |  ab|" },
        FormatCase { "TextPrecision", [](Str& text) { text.Format(u"%.2s|%.*s", u"abc", 1, u"xyz"); }, u"ab|x" },
        FormatCase { "NullText", [](Str& text) { text.Format(u"%s", static_cast<LPCWSTR>(nullptr)); }, u"(null)" },
        FormatCase { "Character", [](Str& text) { text.Format(u"%c%3c", u'Ж', u'a'); }, u"Ж  a" },
        FormatCase { "Percent", [](Str& text) { text.Format(u"100%%"); }, u"100%" },
        FormatCase { "UnknownConversionStandsAsWritten", [](Str& text) { text.Format(u"%q|%5k", 1); }, u"%q|%5k" },
        FormatCase { "PercentClosingTheFormat", [](Str& text) { text.Format(u"50%"); }, u"50%" },
        FormatCase { "EmptyFormat", [](Str& text) { text.Format(u""); }, u"" },
        FormatCase { "OwnTextAsArgument", [](Str& text) { text.Format(u"[%s]", static_cast<LPCWSTR>(text)); }, u"[previous]" },
        FormatCase { "LongerThanABlockClass",
            [](Str& text) { text.Format(u"%300d", 1); }, std::u16string(299, u' ') + u"1" },
        FormatCase { "ResourceReport",
            [](Str& text) { text.Format(u"Resource loading fail (id: %d hInst: %x)", 77, 0x10000u); },
            u"Resource loading fail (id: 77 hInst: 10000)" }),
    caseName<FormatCase>);

class StrAllocationTest : public testing_support::CommonFixture { };

TEST_F(StrAllocationTest, BlockThatCannotBeHadIsLoggedAndLeavesTheText)
{
    bool bufferWasNull = false;
    std::u16string afterwards;
    runProgram([&] {
        Str text(u"keep");
        bufferWasNull = text.GetBuffer(INT_MAX / 2) == nullptr;
        afterwards = textOf(text);
        return 0;
    });
    EXPECT_TRUE(bufferWasNull);
    EXPECT_EQ(afterwards, u"keep");
    // The line names Str and the line of the allocation, whichever that is.
    const std::string log = errorLog();
    const std::string head = "2026.03.02 09:00:00 - Memory allocation failed\t\tStr:  (";
    ASSERT_EQ(log.rfind(head, 0), 0u) << log;
    ASSERT_TRUE(log.ends_with(")\r\n")) << log;
    const std::string line = log.substr(head.size(), log.size() - head.size() - 3);
    EXPECT_TRUE(!line.empty() && line[0] != '0' && line.find_first_not_of("0123456789") == std::string::npos) << log;
}

}
