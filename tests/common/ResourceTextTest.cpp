// Resource text: strings of any length load whole, a missing string is reported in the error log
// and the "Kab Tracer" box in the name of the right source, the program's module can be named, and
// the "Kab" message box shows a string resource.
#include "common/ProgramModule.h"
#include "common/ResourceText.h"
#include "common/Str.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

using testing_support::caseName;

namespace {

// A text of `length` characters that shows where it was cut: "0123456789012...".
std::u16string numberedText(std::size_t length)
{
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i)
        text += static_cast<char16_t>(u'0' + i % 10);
    return text;
}

const std::u16string text254 = numberedText(254);
const std::u16string text255 = numberedText(255);
const std::u16string text256 = numberedText(256);
const std::u16string text300 = numberedText(300);
const std::u16string text510 = numberedText(510);
const std::u16string text511 = numberedText(511);
const std::u16string text1000 = numberedText(1000);

const std::array strings {
    platform::StringResource { 1, u"Привет" },
    platform::StringResource { 254, text254 },
    platform::StringResource { 255, text255 },
    platform::StringResource { 256, text256 },
    platform::StringResource { 300, text300 },
    platform::StringResource { 510, text510 },
    platform::StringResource { 511, text511 },
    platform::StringResource { 1000, text1000 },
};
const platform::ModuleResources resources { strings, {} };

// The first program started on a fresh device is process 1, whose instance is 0x10000.
constexpr const char* firstInstance = "10000";

class ResourceTextTest : public testing_support::CommonFixture { };

struct LengthCase {
    const char* name;
    friend void PrintTo(const LengthCase& tested, std::ostream* out) { *out << tested.name; }
    UINT id;
};

class ResourceLengthTest
    : public ResourceTextTest
    , public ::testing::WithParamInterface<LengthCase> { };

TEST_P(ResourceLengthTest, StringLoadsWholeWhateverItsLength)
{
    const UINT id = GetParam().id;
    bool loaded = false;
    std::u16string byLoadString;
    std::u16string byLoadResourceText;
    runWithResources(resources, [&] {
        Str text;
        loaded = text.LoadString(id);
        byLoadString = static_cast<LPCWSTR>(text);
        byLoadResourceText = static_cast<LPCWSTR>(LoadResourceText(id, u"Caller", 1));
        return 0;
    });
    EXPECT_TRUE(loaded);
    EXPECT_EQ(byLoadString, numberedText(id));
    EXPECT_EQ(byLoadResourceText, numberedText(id));
    EXPECT_EQ(errorLog(), "");
    EXPECT_EQ(transcript().find("messagebox"), std::string::npos) << transcript();
}

INSTANTIATE_TEST_SUITE_P(Lengths, ResourceLengthTest,
    ::testing::Values(LengthCase { "TwoBelowTheFirstBuffer", 254 }, LengthCase { "FillsTheFirstBuffer", 255 },
        LengthCase { "OneMoreThanTheFirstBuffer", 256 }, LengthCase { "ThreeHundred", 300 },
        LengthCase { "TwoBelowTheSecondBuffer", 510 }, LengthCase { "FillsTheSecondBuffer", 511 },
        LengthCase { "Thousand", 1000 }),
    caseName<LengthCase>);

TEST_F(ResourceTextTest, MissingStringIsLoggedAsStrLine174AndShownInTheTracerBox)
{
    bool loaded = true;
    std::u16string after;
    HINSTANCE instance = nullptr;
    runWithResources(resources, [&] {
        instance = GetModuleHandle(nullptr);
        Str text(u"previous");
        loaded = text.LoadString(77);
        after = static_cast<LPCWSTR>(text);
        return 0;
    });
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(instance), 0x10000u);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(after, u"");
    EXPECT_EQ(errorLog(), std::string("2026.03.02 09:00:00 - Resource loading fail (id: 77 hInst: ") + firstInstance
            + ")\t\tStr:  (174)\r\n");
    EXPECT_TRUE(transcriptHas("messagebox \"Kab Tracer\" \"SafeLoadStr failed, resid: 77\" OK -> OK")) << transcript();
}

TEST_F(ResourceTextTest, MissingStringOfLoadResourceTextNamesTheCaller)
{
    std::u16string loaded = u"unset";
    runWithResources(resources, [&] {
        loaded = static_cast<LPCWSTR>(LoadResourceText(88, u"MainWnd", 312));
        return 0;
    });
    EXPECT_EQ(loaded, u"");
    EXPECT_EQ(errorLog(), std::string("2026.03.02 09:00:00 - Resource loading fail (id: 88 hInst: ") + firstInstance
            + ")\t\tMainWnd:  (312)\r\n");
    EXPECT_TRUE(transcriptHas("messagebox \"Kab Tracer\" \"SafeLoadStr failed, resid: 88\" OK -> OK")) << transcript();
}

TEST_F(ResourceTextTest, ProgramWithoutStringTableReportsEveryLoad)
{
    bool loaded = true;
    runProgram([&] {
        Str text;
        loaded = text.LoadString(1);
        return 0;
    });
    EXPECT_FALSE(loaded);
    EXPECT_EQ(errorLog(), std::string("2026.03.02 09:00:00 - Resource loading fail (id: 1 hInst: ") + firstInstance
            + ")\t\tStr:  (174)\r\n");
}

TEST_F(ResourceTextTest, NamedProgramModuleIsUsedForInstanceZeroInThatProcessOnly)
{
    HINSTANCE named = nullptr;
    HINSTANCE ownModule = nullptr;
    runWithResources(resources, [&] {
        ownModule = ProgramModule();
        SetProgramModule(reinterpret_cast<HINSTANCE>(std::uintptr_t { 0x70000 }));
        named = ProgramModule();
        Str text;
        text.LoadString(1);
        return 0;
    });
    EXPECT_EQ(ownModule, reinterpret_cast<HINSTANCE>(std::uintptr_t { 0x10000 }));
    EXPECT_EQ(named, reinterpret_cast<HINSTANCE>(std::uintptr_t { 0x70000 }));
    EXPECT_EQ(errorLog(), "2026.03.02 09:00:00 - Resource loading fail (id: 1 hInst: 70000)\t\tStr:  (174)\r\n");

    // A second process starts with its own module again.
    std::u16string second;
    runWithResources(resources, [&] {
        second = static_cast<LPCWSTR>(LoadResourceText(1, u"Caller", 1));
        return 0;
    });
    EXPECT_EQ(second, u"Привет");
}

TEST_F(ResourceTextTest, ExplicitInstanceIsLoadedFromAndReported)
{
    bool loaded = true;
    runWithResources(resources, [&] {
        Str text;
        loaded = text.LoadString(1, reinterpret_cast<HINSTANCE>(std::uintptr_t { 0x50000 }));
        return 0;
    });
    EXPECT_FALSE(loaded);
    EXPECT_EQ(errorLog(), "2026.03.02 09:00:00 - Resource loading fail (id: 1 hInst: 50000)\t\tStr:  (174)\r\n");
}

TEST_F(ResourceTextTest, KabMessageBoxShowsTheStringWithTheCallersFlags)
{
    device->messageBoxAnswers().push_back("No");
    int answer = 0;
    runWithResources(resources, [&] {
        answer = ResourceMessageBox(nullptr, 1, MB_YESNO | MB_ICONQUESTION);
        return 0;
    });
    EXPECT_EQ(answer, IDNO);
    EXPECT_TRUE(transcriptHas("messagebox \"Kab\" \"Привет\" Yes,No -> No")) << transcript();
}

}
