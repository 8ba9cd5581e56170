// Fonts and text: logical fonts and their metrics, measuring, and text drawn in WM_PAINT as the
// composed screen shows it.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinGdi.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Bitmap.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using testing_support::caseName;
using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF desktop = RGB(0, 0, 0);
constexpr COLORREF red = RGB(200, 20, 30);
constexpr COLORREF green = RGB(30, 180, 60);

// The painted window of the drawing tests: at (20, 30) of the screen, 200 x 100, white.
constexpr RECT windowPlace { 20, 30, 220, 130 };

LOGFONT tahoma(LONG height, LONG weight = FW_NORMAL)
{
    LOGFONT font {};
    font.lfHeight = height;
    font.lfWeight = weight;
    std::u16string_view(u"Tahoma").copy(font.lfFaceName, LF_FACESIZE - 1);
    return font;
}

// The pixels of `area` (screen coordinates) that differ from the background, and their bounds.
struct Ink {
    int pixels { 0 };
    RECT bounds { 0, 0, 0, 0 };
};

Ink inkIn(const emu::Bitmap& screen, RECT area, COLORREF background)
{
    Ink ink;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (screen.pixel(x, y) == background)
                continue;
            ink.bounds = ink.pixels == 0 ? RECT { x, y, x + 1, y + 1 }
                                         : RECT { std::min<LONG>(ink.bounds.left, x), std::min<LONG>(ink.bounds.top, y),
                                                  std::max<LONG>(ink.bounds.right, x + 1), std::max<LONG>(ink.bounds.bottom, y + 1) };
            ++ink.pixels;
        }
    }
    return ink;
}

int countColour(const emu::Bitmap& screen, RECT area, COLORREF colour)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x)
            count += screen.pixel(x, y) == colour ? 1 : 0;
    }
    return count;
}

// A client rectangle of the painted window, in screen coordinates.
RECT onScreen(RECT client)
{
    return RECT { client.left + windowPlace.left, client.top + windowPlace.top, client.right + windowPlace.left,
                  client.bottom + windowPlace.top };
}

class TextTest : public testing_support::DeviceFixture {
protected:
    // Runs `body` in a program with a context of the screen.
    void withScreenContext(const std::function<void(HDC)>& body)
    {
        runProgram([&] {
            const HDC dc = GetDC(nullptr);
            EXPECT_NE(dc, nullptr);
            body(dc);
            ReleaseDC(nullptr, dc);
            return 0;
        });
    }

    // The screen after a white window at `windowPlace` painted itself with `paint` in WM_PAINT.
    emu::Bitmap paintedScreen(const std::function<void(HDC)>& paint)
    {
        m_handler = [paint](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_PAINT)
                return std::nullopt;
            PAINTSTRUCT paintInfo;
            const HDC dc = BeginPaint(hwnd, &paintInfo);
            paint(dc);
            EndPaint(hwnd, &paintInfo);
            return 0;
        };
        const auto process = start(u"writer", [this] {
            registerScriptedClass(u"Written", static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            createScriptedWindow(m_handler, { .className = u"Written", .style = WS_POPUP | WS_VISIBLE, .rect = windowPlace });
            return runMessageLoop();
        });
        device->runUntilIdle();
        EXPECT_FALSE(process->finished());
        return device->windows().composeScreen();
    }

    SIZE extent(HDC dc, std::u16string_view text)
    {
        SIZE size { -1, -1 };
        EXPECT_TRUE(GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size));
        return size;
    }

private:
    MessageHandler m_handler;
};

// ---- Logical fonts

struct SystemFontCase {
    std::string name;
    int dpi;
    LONG height;
};

class SystemFontTest : public TextTest, public ::testing::WithParamInterface<SystemFontCase> { };

TEST_P(SystemFontTest, IsTahomaOfTwelvePixelsAt96DotsPerInchScaledWithTheScreen)
{
    emu::DeviceProfile profile;
    profile.dpi = GetParam().dpi;
    resetDevice(profile);
    runProgram([] {
        const HGDIOBJ system = GetStockObject(SYSTEM_FONT);
        EXPECT_NE(system, nullptr);
        EXPECT_EQ(GetObject(system, 0, nullptr), static_cast<int>(sizeof(LOGFONT)));
        LOGFONT font {};
        EXPECT_EQ(GetObject(system, sizeof(font), &font), static_cast<int>(sizeof(LOGFONT)));
        EXPECT_EQ(font.lfHeight, GetParam().height);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_EQ(font.lfItalic, 0);
        EXPECT_EQ(std::u16string(font.lfFaceName), u"Tahoma");
        return 0;
    });
}

INSTANTIATE_TEST_SUITE_P(Screens, SystemFontTest,
                         ::testing::Values(SystemFontCase { "At96", 96, -12 }, SystemFontCase { "At131", 131, -16 },
                                           SystemFontCase { "At192", 192, -24 }),
                         caseName<SystemFontCase>);

TEST_F(TextTest, CreatedFontDescribesItselfAsCreatedAndDeletesOnceDeselected)
{
    runProgram([] {
        LOGFONT wanted = tahoma(17, FW_SEMIBOLD);
        wanted.lfItalic = 1;
        wanted.lfQuality = CLEARTYPE_QUALITY;
        const HFONT font = CreateFontIndirect(&wanted);
        EXPECT_NE(font, nullptr);
        LOGFONT described {};
        EXPECT_EQ(GetObject(font, sizeof(described), &described), static_cast<int>(sizeof(LOGFONT)));
        EXPECT_EQ(described.lfHeight, 17);
        EXPECT_EQ(described.lfWeight, FW_SEMIBOLD);
        EXPECT_EQ(described.lfItalic, 1);
        EXPECT_EQ(described.lfQuality, CLEARTYPE_QUALITY);
        EXPECT_EQ(std::u16string(described.lfFaceName), u"Tahoma");

        const HDC dc = GetDC(nullptr);
        EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
        EXPECT_FALSE(DeleteObject(font)) << "a font still selected stays";
        EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), font);
        ReleaseDC(nullptr, dc);
        EXPECT_TRUE(DeleteObject(font));
        EXPECT_EQ(GetObject(font, sizeof(described), &described), 0);
        EXPECT_FALSE(DeleteObject(font));
        EXPECT_TRUE(DeleteObject(GetStockObject(SYSTEM_FONT))) << "stock objects cannot be deleted, but may be";
        return 0;
    });
}

TEST_F(TextTest, SelectObjectSwapsFontsAndBrushesSeparately)
{
    withScreenContext([](HDC dc) {
        const LOGFONT wanted = tahoma(-20);
        const HFONT font = CreateFontIndirect(&wanted);
        const HBRUSH brush = CreateSolidBrush(red);
        EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
        EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
        EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), brush);
        EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), font);
        EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr) << "no such object";
        EXPECT_EQ(SelectObject(nullptr, font), nullptr) << "no such context";
        EXPECT_TRUE(DeleteObject(brush));
        EXPECT_TRUE(DeleteObject(font));
    });
}

TEST_F(TextTest, DeviceCapsGiveTheScreenOfTheProfile)
{
    emu::DeviceProfile profile;
    profile.screenWidth = 480;
    profile.screenHeight = 640;
    profile.dpi = 192;
    resetDevice(profile);
    withScreenContext([](HDC dc) {
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 192);
        EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 192);
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 480);
        EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 640);
        EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
    });
}

TEST_F(TextTest, ColoursAndBackgroundModeReturnWhatTheyReplace)
{
    withScreenContext([](HDC dc) {
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
        EXPECT_EQ(GetBkColor(dc), white);
        EXPECT_EQ(GetBkMode(dc), OPAQUE);
        EXPECT_EQ(SetTextColor(dc, red), RGB(0, 0, 0));
        EXPECT_EQ(SetTextColor(dc, green), red);
        EXPECT_EQ(SetBkColor(dc, red), white);
        EXPECT_EQ(GetBkColor(dc), red);
        EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
        EXPECT_EQ(SetBkMode(dc, 7), 0) << "not a mode";
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        EXPECT_EQ(SetTextColor(nullptr, red), CLR_INVALID);
    });
}

// ---- Metrics and extents

TEST_F(TextTest, MetricsAgreeWithTheFontsHeightAndTheExtents)
{
    withScreenContext([this](HDC dc) {
        struct Case {
            LONG height;
            const char* what;
        };
        for (const Case& tested : { Case { -12, "character height 12" }, Case { -24, "character height 24" },
                                    Case { 20, "cell height 20" }, Case { 33, "cell height 33" } }) {
            const LOGFONT wanted = tahoma(tested.height);
            const HFONT font = CreateFontIndirect(&wanted);
            SelectObject(dc, font);
            TEXTMETRIC metrics {};
            EXPECT_TRUE(GetTextMetrics(dc, &metrics)) << tested.what;
            EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent) << tested.what;
            if (tested.height < 0) {
                EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, -tested.height) << tested.what;
            } else {
                EXPECT_EQ(metrics.tmHeight, tested.height) << tested.what;
            }
            EXPECT_GE(metrics.tmInternalLeading, 0) << tested.what;
            EXPECT_GT(metrics.tmAveCharWidth, 0) << tested.what;
            EXPECT_GE(metrics.tmMaxCharWidth, metrics.tmAveCharWidth) << tested.what;
            EXPECT_EQ(metrics.tmWeight, FW_NORMAL) << tested.what;
            EXPECT_EQ(extent(dc, u"Hg").cy, metrics.tmHeight) << tested.what;
            EXPECT_EQ(extent(dc, u"").cy, metrics.tmHeight) << tested.what;
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(font);
        }
    });
}

TEST_F(TextTest, ExtentGrowsWithTheTextAndTheFont)
{
    withScreenContext([this](HDC dc) {
        EXPECT_EQ(extent(dc, u"").cx, 0);
        const LONG one = extent(dc, u"M").cx;
        const LONG two = extent(dc, u"MM").cx;
        const LONG sentence = extent(dc, u"MM and a longer tail").cx;
        EXPECT_GT(one, 0);
        EXPECT_EQ(two, 2 * one) << "advances add up";
        EXPECT_GT(sentence, two);

        const std::u16string text = u"Incoming call";
        const SIZE normal = extent(dc, text);
        const LOGFONT bigger = tahoma(-24);
        const LOGFONT bold = tahoma(-12, FW_BOLD);
        const HFONT bigFont = CreateFontIndirect(&bigger);
        const HFONT boldFont = CreateFontIndirect(&bold);
        SelectObject(dc, bigFont);
        const SIZE big = extent(dc, text);
        EXPECT_GT(big.cx, normal.cx * 3 / 2);
        EXPECT_GT(big.cy, normal.cy * 3 / 2);
        SelectObject(dc, boldFont);
        TEXTMETRIC metrics {};
        GetTextMetrics(dc, &metrics);
        EXPECT_EQ(metrics.tmWeight, FW_BOLD);
        EXPECT_GE(extent(dc, text).cx, normal.cx) << "bold is at least as wide as normal";
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(bigFont);
        DeleteObject(boldFont);
    });
}

TEST_F(TextTest, TextAtTwiceTheDensityIsTwiceAsLarge)
{
    const std::u16string text = u"Contacts";
    SIZE at96 {};
    withScreenContext([&](HDC dc) { at96 = extent(dc, text); });
    emu::DeviceProfile profile;
    profile.dpi = 192;
    resetDevice(profile);
    SIZE at192 {};
    withScreenContext([&](HDC dc) { at192 = extent(dc, text); });
    EXPECT_NEAR(at192.cx, 2 * at96.cx, 1 + at96.cx / 10);
    EXPECT_NEAR(at192.cy, 2 * at96.cy, 1);
}

TEST_F(TextTest, ExtentExPointTellsWhatFitsAndWhereEachCharacterEnds)
{
    withScreenContext([this](HDC dc) {
        const std::u16string text = u"Voicemail";
        std::vector<int> ends(text.size(), -1);
        for (std::size_t count = 1; count <= text.size(); ++count)
            ends[count - 1] = extent(dc, std::u16string_view(text).substr(0, count)).cx;

        std::vector<int> extents(text.size(), -1);
        SIZE size {};
        EXPECT_TRUE(GetTextExtentExPoint(dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, extents.data(), &size));
        EXPECT_EQ(extents, ends);
        EXPECT_EQ(size.cx, ends.back());

        int fit = -1;
        std::fill(extents.begin(), extents.end(), -1);
        EXPECT_TRUE(GetTextExtentExPoint(dc, text.c_str(), static_cast<int>(text.size()), ends[3], &fit, extents.data(), &size));
        EXPECT_EQ(fit, 4);
        EXPECT_EQ(extents[3], ends[3]);
        EXPECT_EQ(extents[4], -1) << "only the characters that fit are given";
        EXPECT_EQ(size.cx, ends.back());
    });
}

// ---- DrawText's layout

struct LayoutCase {
    std::string name;
    std::u16string text;
    UINT format;
    int width;
    int lines; // expected lines of text; the rectangle's height is lines × tmHeight
};

class DrawTextLayoutTest : public TextTest, public ::testing::WithParamInterface<LayoutCase> { };

TEST_P(DrawTextLayoutTest, CalcRectGivesTheLinesAndTheWidestOfThem)
{
    const LayoutCase& tested = GetParam();
    withScreenContext([&](HDC dc) {
        TEXTMETRIC metrics {};
        GetTextMetrics(dc, &metrics);
        RECT rect { 10, 20, 10 + tested.width, 400 };
        const int height = DrawText(dc, tested.text.c_str(), -1, &rect, tested.format | DT_CALCRECT);
        EXPECT_EQ(height, tested.lines * metrics.tmHeight);
        EXPECT_EQ(rect.top, 20);
        EXPECT_EQ(rect.bottom, 20 + height);
        EXPECT_EQ(rect.left, 10);
        if (tested.format & (DT_WORDBREAK | DT_END_ELLIPSIS)) {
            EXPECT_LE(rect.right - rect.left, tested.width) << "the lines fit the width";
        }
        if (tested.lines == 1 && !(tested.format & DT_END_ELLIPSIS)) {
            std::u16string shown = tested.text;
            if (!(tested.format & DT_SINGLELINE))
                shown = shown.substr(0, shown.find_first_of(u"\r\n"));
            if (!(tested.format & DT_NOPREFIX))
                std::erase(shown, u'&');
            EXPECT_EQ(rect.right - rect.left, extent(dc, shown).cx);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DrawTextLayoutTest,
    ::testing::Values(LayoutCase { "OneLine", u"Call back", DT_SINGLELINE, 200, 1 },
                      LayoutCase { "LineBreaksMakeLines", u"first\nsecond\r\nthird", DT_LEFT, 200, 3 },
                      LayoutCase { "FinalLineBreakMakesNoLine", u"first\n", DT_LEFT, 200, 1 },
                      LayoutCase { "EmptyLinesCount", u"first\n\nthird", DT_LEFT, 200, 3 },
                      LayoutCase { "SingleLineIgnoresBreaks", u"first\nsecond", DT_SINGLELINE, 200, 1 },
                      LayoutCase { "WordBreakPutsEachWordOnItsLine", u"one two three four five six", DT_WORDBREAK, 30, 6 },
                      LayoutCase { "WordBreakKeepsWhatFits", u"one two", DT_WORDBREAK, 200, 1 },
                      LayoutCase { "EllipsisKeepsOneLineInTheWidth", u"A rather long name that does not fit",
                                   DT_SINGLELINE | DT_END_ELLIPSIS, 80, 1 },
                      LayoutCase { "PrefixIsNotShown", u"&Options", DT_SINGLELINE, 200, 1 },
                      LayoutCase { "NoPrefixShowsTheAmpersand", u"&Options", DT_SINGLELINE | DT_NOPREFIX, 200, 1 },
                      LayoutCase { "EmptyTextHasNoLines", u"", DT_WORDBREAK, 200, 0 }),
    caseName<LayoutCase>);

TEST_F(TextTest, AWordWiderThanTheRectangleWidensTheCalculatedRectangle)
{
    withScreenContext([this](HDC dc) {
        const std::u16string word = u"+79161234567890";
        RECT rect { 0, 0, 30, 100 };
        DrawText(dc, word.c_str(), -1, &rect, DT_WORDBREAK | DT_CALCRECT);
        EXPECT_EQ(rect.right, extent(dc, word).cx);
    });
}

TEST_F(TextTest, PrefixesAndEllipsisChangeTheMeasuredText)
{
    withScreenContext([this](HDC dc) {
        RECT rect { 0, 0, 300, 100 };
        DrawText(dc, u"Save && exit", -1, &rect, DT_SINGLELINE | DT_CALCRECT);
        EXPECT_EQ(rect.right, extent(dc, u"Save & exit").cx) << "a doubled ampersand shows one";

        const std::u16string longText = u"Messages from everybody you know";
        const LONG full = extent(dc, longText).cx;
        rect = RECT { 0, 0, static_cast<LONG>(full / 2), 100 };
        DrawText(dc, longText.c_str(), -1, &rect, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
        EXPECT_LE(rect.right, full / 2);
        EXPECT_GT(rect.right, full / 2 - extent(dc, u"W...").cx) << "as much as fits is kept";
        rect = RECT { 0, 0, static_cast<LONG>(full / 2), 100 };
        DrawText(dc, longText.c_str(), -1, &rect, DT_SINGLELINE | DT_CALCRECT);
        EXPECT_EQ(rect.right, full) << "without the ellipsis the text keeps its width";
    });
}

// ---- Drawing

TEST_F(TextTest, DrawnTextShowsTheTextColourInsideItsRectangleOnly)
{
    const LOGFONT wanted = tahoma(-24, FW_BOLD);
    const RECT box { 10, 10, 190, 60 };
    RECT calculated {};
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        const HFONT font = CreateFontIndirect(&wanted);
        const HGDIOBJ previous = SelectObject(dc, font);
        SetTextColor(dc, red);
        SetBkMode(dc, TRANSPARENT);
        calculated = box;
        DrawText(dc, u"Hello", -1, &calculated, DT_SINGLELINE | DT_CALCRECT);
        RECT drawn = box;
        DrawText(dc, u"Hello", -1, &drawn, DT_SINGLELINE);
        SelectObject(dc, previous);
        DeleteObject(font);
    });
    const Ink ink = inkIn(screen, onScreen(box), white);
    EXPECT_GT(ink.pixels, 50);
    EXPECT_GT(countColour(screen, onScreen(box), red), 20) << "solid strokes take the text colour";
    const RECT expected = onScreen(calculated);
    EXPECT_GE(ink.bounds.left, expected.left);
    EXPECT_GE(ink.bounds.top, expected.top);
    EXPECT_LE(ink.bounds.right, expected.right);
    EXPECT_LE(ink.bounds.bottom, expected.bottom);
    EXPECT_GT(ink.bounds.right - ink.bounds.left, (expected.right - expected.left) * 3 / 4) << "the ink fills the calculated width";
    EXPECT_EQ(inkIn(screen, onScreen(RECT { 0, 0, 200, 100 }), white).pixels, ink.pixels) << "nothing outside the text";
}

TEST_F(TextTest, TextIsClippedToItsRectangleAndToTheWindow)
{
    const LOGFONT wanted = tahoma(-20);
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        const HFONT font = CreateFontIndirect(&wanted);
        SelectObject(dc, font);
        SetTextColor(dc, red);
        SetBkMode(dc, TRANSPARENT);
        // Cut by DrawText's rectangle, by ExtTextOut's, and by the window's right edge.
        RECT narrow { 10, 5, 40, 30 };
        DrawText(dc, u"Much too long for it", -1, &narrow, DT_SINGLELINE);
        const RECT clip { 10, 40, 40, 65 };
        ExtTextOut(dc, 10, 40, ETO_CLIPPED, &clip, u"Much too long", 13, nullptr);
        ExtTextOut(dc, 150, 70, 0, nullptr, u"Past the edge of it", 19, nullptr);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    });
    EXPECT_GT(inkIn(screen, onScreen(RECT { 10, 5, 40, 30 }), white).pixels, 0);
    EXPECT_EQ(inkIn(screen, onScreen(RECT { 40, 0, 200, 35 }), white).pixels, 0) << "past DrawText's rectangle";
    EXPECT_GT(inkIn(screen, onScreen(RECT { 10, 40, 40, 65 }), white).pixels, 0);
    EXPECT_EQ(inkIn(screen, onScreen(RECT { 40, 35, 200, 68 }), white).pixels, 0) << "past ExtTextOut's rectangle";
    EXPECT_GT(inkIn(screen, onScreen(RECT { 150, 70, 200, 100 }), white).pixels, 0);
    EXPECT_EQ(inkIn(screen, RECT { windowPlace.right, 0, 240, 320 }, desktop).pixels, 0) << "past the window";
}

TEST_F(TextTest, OpaqueModeFillsTheCellWithTheBackgroundColourAndTransparentLeavesIt)
{
    // The same text twice: opaque on the first line, transparent on the second.
    SIZE cell {};
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        SetTextColor(dc, red);
        SetBkColor(dc, green);
        GetTextExtentPoint32(dc, u"Busy", 4, &cell);
        ExtTextOut(dc, 10, 10, 0, nullptr, u"Busy", 4, nullptr);
        SetBkMode(dc, TRANSPARENT);
        ExtTextOut(dc, 10, 50, 0, nullptr, u"Busy", 4, nullptr);
    });
    const RECT opaqueCell = onScreen(RECT { 10, 10, 10 + cell.cx, 10 + cell.cy });
    const RECT transparentCell = onScreen(RECT { 10, 50, 10 + cell.cx, 50 + cell.cy });
    EXPECT_EQ(screen.pixel(opaqueCell.left, opaqueCell.top), green);
    EXPECT_EQ(screen.pixel(opaqueCell.right - 1, opaqueCell.bottom - 1), green);
    EXPECT_EQ(countColour(screen, opaqueCell, white), 0) << "no background left in the cell";
    EXPECT_EQ(screen.pixel(opaqueCell.right, opaqueCell.top), white) << "nothing past the cell";
    EXPECT_EQ(screen.pixel(opaqueCell.left, opaqueCell.bottom), white) << "nothing below the cell";
    EXPECT_EQ(countColour(screen, transparentCell, green), 0);
    EXPECT_EQ(screen.pixel(transparentCell.left, transparentCell.top), white);
    EXPECT_GT(inkIn(screen, transparentCell, white).pixels, 0);
}

TEST_F(TextTest, ExtTextOutOpaqueFillsItsRectangle)
{
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        SetBkColor(dc, green);
        SetBkMode(dc, TRANSPARENT);
        const RECT area { 5, 5, 105, 45 };
        ExtTextOut(dc, 10, 10, ETO_OPAQUE, &area, u"Ring", 4, nullptr);
    });
    EXPECT_EQ(screen.pixel(onScreen(RECT { 5, 5, 0, 0 }).left, onScreen(RECT { 5, 5, 0, 0 }).top), green);
    EXPECT_EQ(countColour(screen, onScreen(RECT { 5, 5, 105, 45 }), white), 0);
    EXPECT_EQ(screen.pixel(windowPlace.left + 105, windowPlace.top + 5), white);
    EXPECT_GT(countColour(screen, onScreen(RECT { 5, 5, 105, 45 }), RGB(0, 0, 0)), 0) << "the text in the default colour";
}

TEST_F(TextTest, AdvancesGivenToExtTextOutPlaceTheCharacters)
{
    const std::vector<int> spread { 40, 40, 40 };
    const emu::Bitmap screen = paintedScreen([&](HDC dc) { ExtTextOut(dc, 10, 10, 0, nullptr, u"III", 3, spread.data()); });
    for (int column = 0; column < 3; ++column) {
        const Ink ink = inkIn(screen, onScreen(RECT { 10 + 40 * column, 10, 10 + 40 * (column + 1), 40 }), white);
        EXPECT_GT(ink.pixels, 0) << "character " << column;
        EXPECT_LT(ink.bounds.right - ink.bounds.left, 10) << "character " << column << " alone in its place";
    }
}

struct AlignmentCase {
    std::string name;
    UINT format;
};

class DrawTextAlignmentTest : public TextTest, public ::testing::WithParamInterface<AlignmentCase> { };

TEST_P(DrawTextAlignmentTest, PlacesTheInkWhereTheFormatSays)
{
    const RECT box { 20, 10, 180, 90 };
    SIZE cell {};
    int reported = -1;
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        GetTextExtentPoint32(dc, u"HHHH", 4, &cell);
        RECT rect = box;
        reported = DrawText(dc, u"HHHH", -1, &rect, GetParam().format | DT_SINGLELINE);
    });
    const Ink ink = inkIn(screen, onScreen(RECT { 0, 0, 200, 100 }), white);
    ASSERT_GT(ink.pixels, 0);
    const RECT placed = onScreen(box);
    const LONG before = ink.bounds.left - placed.left;
    const LONG after = placed.right - ink.bounds.right;
    const LONG above = ink.bounds.top - placed.top;
    const LONG below = placed.bottom - ink.bounds.bottom;
    const UINT format = GetParam().format;
    if (format & DT_CENTER) {
        EXPECT_LE(std::abs(before - after), 2) << "centred: " << before << " before, " << after << " after";
    } else if (format & DT_RIGHT) {
        EXPECT_LE(after, 2);
    } else {
        EXPECT_LE(before, 2);
    }
    if (format & DT_VCENTER) {
        EXPECT_LE(std::abs(above - below), cell.cy / 3) << "centred: " << above << " above, " << below << " below";
        EXPECT_EQ(reported, (box.bottom - box.top - cell.cy) / 2 + cell.cy) << "down to the text's bottom";
    } else if (format & DT_BOTTOM) {
        EXPECT_LT(below, cell.cy / 2);
        EXPECT_EQ(reported, box.bottom - box.top);
    } else {
        EXPECT_LT(above, cell.cy / 2);
        EXPECT_EQ(reported, cell.cy);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, DrawTextAlignmentTest,
                         ::testing::Values(AlignmentCase { "TopLeft", DT_LEFT | DT_TOP }, AlignmentCase { "Centre", DT_CENTER },
                                           AlignmentCase { "Right", DT_RIGHT }, AlignmentCase { "Middle", DT_CENTER | DT_VCENTER },
                                           AlignmentCase { "BottomRight", DT_RIGHT | DT_BOTTOM }),
                         caseName<AlignmentCase>);

TEST_F(TextTest, WrappedLinesAreDrawnOneBelowTheOther)
{
    int lineHeight = 0;
    int reported = 0;
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        TEXTMETRIC metrics {};
        GetTextMetrics(dc, &metrics);
        lineHeight = metrics.tmHeight;
        SetBkMode(dc, TRANSPARENT);
        RECT rect { 10, 10, 70, 100 };
        reported = DrawText(dc, u"one two three", -1, &rect, DT_WORDBREAK);
    });
    ASSERT_GT(lineHeight, 0);
    const int lines = reported / lineHeight;
    EXPECT_GE(lines, 2);
    for (int line = 0; line < lines; ++line) {
        const RECT band = onScreen(RECT { 10, 10 + line * lineHeight, 70, 10 + (line + 1) * lineHeight });
        EXPECT_GT(inkIn(screen, band, white).pixels, 0) << "line " << line;
    }
    EXPECT_EQ(inkIn(screen, onScreen(RECT { 0, 10 + lines * lineHeight, 200, 100 }), white).pixels, 0);
}

TEST_F(TextTest, APrefixUnderlinesItsCharacter)
{
    int height = 0;
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        SetBkMode(dc, TRANSPARENT);
        RECT first { 10, 10, 190, 40 };
        height = DrawText(dc, u"&Menu", -1, &first, DT_SINGLELINE);
        RECT second { 10, 50, 190, 80 };
        DrawText(dc, u"Menu", -1, &second, DT_SINGLELINE);
    });
    ASSERT_GT(height, 0);
    const Ink marked = inkIn(screen, onScreen(RECT { 10, 10, 190, 10 + height }), white);
    const Ink plain = inkIn(screen, onScreen(RECT { 10, 50, 190, 50 + height }), white);
    EXPECT_GT(marked.pixels, plain.pixels);
    EXPECT_GT(marked.bounds.bottom - 10, plain.bounds.bottom - 50) << "the underline lies below the letters";
}

TEST_F(TextTest, CyrillicTextHasGlyphsOfItsOwn)
{
    const LOGFONT wanted = tahoma(-20);
    const emu::Bitmap screen = paintedScreen([&](HDC dc) {
        const HFONT font = CreateFontIndirect(&wanted);
        SelectObject(dc, font);
        ExtTextOut(dc, 10, 10, 0, nullptr, u"П", 1, nullptr);
        ExtTextOut(dc, 10, 50, 0, nullptr, u"Ж", 1, nullptr);
        ExtTextOut(dc, 60, 10, 0, nullptr, u"Отмена", 6, nullptr);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    });
    const Ink pe = inkIn(screen, onScreen(RECT { 10, 10, 50, 40 }), white);
    const Ink zhe = inkIn(screen, onScreen(RECT { 10, 50, 50, 80 }), white);
    EXPECT_GT(pe.pixels, 0);
    EXPECT_GT(zhe.pixels, 0);
    EXPECT_NE(pe.bounds.right - pe.bounds.left, zhe.bounds.right - zhe.bounds.left) << "two letters, not two boxes";
    EXPECT_GT(inkIn(screen, onScreen(RECT { 60, 10, 200, 40 }), white).pixels, 100);
}

TEST_F(TextTest, TheSameTextGivesTheSamePixelsOnEveryDevice)
{
    const auto paint = [](HDC dc) {
        const LOGFONT wanted = tahoma(-15, FW_SEMIBOLD);
        const HFONT font = CreateFontIndirect(&wanted);
        SelectObject(dc, font);
        SetTextColor(dc, RGB(10, 90, 170));
        RECT rect { 5, 5, 195, 95 };
        DrawText(dc, u"Мама 8 (916) 555-01-02 & co", -1, &rect, DT_WORDBREAK | DT_CENTER);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    };
    const emu::Bitmap first = paintedScreen(paint);
    resetDevice(emu::DeviceProfile {});
    const emu::Bitmap second = paintedScreen(paint);
    EXPECT_GT(inkIn(first, onScreen(RECT { 0, 0, 200, 100 }), white).pixels, 0);
    EXPECT_EQ(first.rgb(), second.rgb());
}

}
