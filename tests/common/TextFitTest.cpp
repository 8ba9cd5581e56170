// Text fitting: shortening ends in "..." and fits the width, as long a text as fits is kept, text
// that fits is left alone; the line height of a font is that of "A" on the screen.
#include "common/Str.h"
#include "common/TextFit.h"

#include "platform/api/WinGdi.h"
#include "platform/api/WinUser.h"
#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using testing_support::caseName;

namespace {

constexpr LPCWSTR sample = u"Константин Константинопольский";

int widthOf(HDC dc, LPCWSTR text)
{
    SIZE extent {};
    GetTextExtentPoint32(dc, text, static_cast<int>(std::u16string(text).size()), &extent);
    return extent.cx;
}

struct ShortenCase {
    const char* name;
    friend void PrintTo(const ShortenCase& tested, std::ostream* out) { *out << tested.name; }
    // The allowed width, from the width of the whole sample.
    int (*width)(int whole);
};

class TextFitTest : public testing_support::CommonFixture { };

class ShortenTextTest
    : public TextFitTest
    , public ::testing::WithParamInterface<ShortenCase> { };

TEST_P(ShortenTextTest, ShortenedTextEndsInAnEllipsisFitsAndKeepsAsMuchAsFits)
{
    int allowed = 0;
    int measured = 0;
    int longerMeasured = 0;
    bool shortened = false;
    std::u16string result;
    runProgram([&] {
        const HDC dc = GetDC(nullptr);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        allowed = GetParam().width(widthOf(dc, sample));
        Str text(sample);
        shortened = ShortenText(dc, text, allowed);
        result = static_cast<LPCWSTR>(text);
        measured = widthOf(dc, text);
        // The candidate with one character more did not fit.
        const std::u16string whole(sample);
        const std::size_t kept = result.size() - 3;
        longerMeasured = widthOf(dc, (whole.substr(0, kept + 1) + u"...").c_str());
        ReleaseDC(nullptr, dc);
        return 0;
    });
    EXPECT_TRUE(shortened);
    EXPECT_GT(result.size(), 4u);
    EXPECT_EQ(result.substr(result.size() - 3), u"...");
    EXPECT_EQ(result.substr(0, result.size() - 3), std::u16string(sample).substr(0, result.size() - 3));
    EXPECT_LE(measured, allowed);
    EXPECT_GT(longerMeasured, allowed);
}

INSTANTIATE_TEST_SUITE_P(Widths, ShortenTextTest,
    ::testing::Values(ShortenCase { "OnePixelShort", [](int whole) { return whole - 1; } },
        ShortenCase { "Half", [](int whole) { return whole / 2; } },
        ShortenCase { "Quarter", [](int whole) { return whole / 4; } }),
    caseName<ShortenCase>);

TEST_F(TextFitTest, TextThatFitsIsLeftAlone)
{
    bool shortened = true;
    std::u16string result;
    runProgram([&] {
        const HDC dc = GetDC(nullptr);
        Str text(sample);
        shortened = ShortenText(dc, text, widthOf(dc, sample));
        result = static_cast<LPCWSTR>(text);
        ReleaseDC(nullptr, dc);
        return 0;
    });
    EXPECT_FALSE(shortened);
    EXPECT_EQ(result, sample);
}

TEST_F(TextFitTest, NarrowWidthsLeaveOneCharacterOrNothing)
{
    std::u16string oneCharacter;
    std::u16string nothing;
    runProgram([&] {
        const HDC dc = GetDC(nullptr);
        const int widthOfK = widthOf(dc, u"К");
        Str text(sample);
        ShortenText(dc, text, widthOfK);
        oneCharacter = static_cast<LPCWSTR>(text);
        text = sample;
        EXPECT_TRUE(ShortenText(dc, text, 0));
        nothing = static_cast<LPCWSTR>(text);
        ReleaseDC(nullptr, dc);
        return 0;
    });
    EXPECT_EQ(oneCharacter, u"К");
    EXPECT_EQ(nothing, u"");
}

TEST_F(TextFitTest, LineHeightIsTheHeightOfAInThatFont)
{
    int small = 0;
    int large = 0;
    int largeByExtent = 0;
    runProgram([&] {
        LOGFONT font {};
        std::u16string(u"Tahoma").copy(font.lfFaceName, 6);
        font.lfHeight = -12;
        const HFONT smallFont = CreateFontIndirect(&font);
        font.lfHeight = -24;
        const HFONT largeFont = CreateFontIndirect(&font);
        small = FontLineHeight(smallFont);
        large = FontLineHeight(largeFont);

        const HDC dc = GetDC(nullptr);
        const HGDIOBJ previous = SelectObject(dc, largeFont);
        SIZE extent {};
        GetTextExtentPoint32(dc, u"A", 1, &extent);
        largeByExtent = extent.cy;
        SelectObject(dc, previous);
        ReleaseDC(nullptr, dc);
        DeleteObject(smallFont);
        DeleteObject(largeFont);
        return 0;
    });
    EXPECT_GT(small, 0);
    EXPECT_GT(large, small);
    EXPECT_EQ(large, largeByExtent);
}

}
