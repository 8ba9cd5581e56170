// Vyx's resident start on the emulated phone: the boot, the single copy, the safe-start escape, the
// two ways to stop it, the main menu's entry and the phone-integration retry timer; its place in the
// family's roster and the contact index it connects to, and the name look-ups it answers.
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Text.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/RosterHolder.h"
#include "tests/support/TempFolder.h"
#include "vyx/call/NameLookupMapping.h"
#include "vyx/contacts/PimSync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testing_support::countOccurrences;
using testing_support::linesPrintedAfter;
using testing_support::runEmulatorScript;
using Lines = std::vector<std::string>;

constexpr const char* settingsKey = "HKCU\\Software\\Korvane\\PIM\\Settings";
// What the name block's answer half holds before Vyx is asked.
constexpr std::u16string_view untouched = u"untouched";

// The text at a byte offset of the name block, up to its NUL or the half's end.
std::u16string blockText(const WCHAR* block, DWORD byteOffset)
{
    const WCHAR* start = block + byteOffset / sizeof(WCHAR);
    return { start, std::find(start, start + vyx::NameLookupMapping::textCapacity, u'\0') };
}

// "RosterHolder" (tests/support/RosterHolder.h), and "NameAsker": "NameAsker ask NUMBER" asks Vyx's main window for the
// number's name as the family does; "NameAsker call NUMBER" puts the number into the name block and
// sends Vyx the incoming-call message instead. Both hold the block with "untouched" in its answer half
// while they ask, and note "ask|call NUMBER -> ANSWER".
std::function<void(emu::Device&)> installHelpers(const std::shared_ptr<Lines>& answers)
{
    return [answers](emu::Device& device) {
        testing_support::installRosterHolder(device);
        device.installProgram(u"\\Windows\\NameAsker.exe", [answers](HINSTANCE, const std::u16string& commandLine) {
            const std::size_t space = commandLine.find(u' ');
            const std::u16string action = commandLine.substr(0, space);
            const std::u16string number = space == std::u16string::npos ? u"" : commandLine.substr(space + 1);
            const HWND vyxWindow = FindWindow(u"VYX_MAINCLASS", nullptr);
            const HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                vyx::NameLookupMapping::mappingSize, vyx::NameLookupMapping::mappingName);
            auto* block = static_cast<WCHAR*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, vyx::NameLookupMapping::mappingSize));
            if (!vyxWindow || !block)
                return 1;
            std::copy(untouched.begin(), untouched.end(), block + vyx::NameLookupMapping::nameOffset / sizeof(WCHAR));
            std::u16string answer;
            if (action == u"ask") {
                answer = vyx::NameLookupMapping::Ask(vyxWindow, number).value_or(u"<no block>");
            } else {
                std::copy(number.begin(), number.end(), block);
                SendMessage(vyxWindow, WM_USER + 280, 0, 0);
                answer = blockText(block, vyx::NameLookupMapping::nameOffset);
            }
            answers->push_back(emu::toUtf8(action + u" " + number + u" -> " + answer));
            UnmapViewOfFile(block);
            CloseHandle(mapping);
            return 0;
        });
    };
}

class ResidentStartTest : public ::testing::Test {
protected:
    testing_support::ScriptResult run(const std::vector<std::string>& lines)
    {
        return runEmulatorScript(m_folder.path(), lines, true, installHelpers(m_answers));
    }
    bool shortcutExists() const
    {
        return std::filesystem::exists(m_folder.path() / "Windows" / "StartUp" / "Korvane Vyx.lnk");
    }

    testing_support::TempFolder m_folder;
    std::shared_ptr<Lines> m_answers { std::make_shared<Lines>() };
};

TEST_F(ResidentStartTest, BootStartsVyxResidentBehindItsHiddenMainWindow)
{
    const auto result = run({ "boot", "windows", "programs" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_NE(result.transcript.find("started Vyx pid 2 \"\""), std::string::npos) << result.transcript;
    EXPECT_NE(result.transcript.find("VYX_MAINCLASS \"Vyx\" pid 2 hidden 0,0 0x0\n"), std::string::npos) << result.transcript;
    EXPECT_NE(result.transcript.find("Vyx pid 2 running"), std::string::npos) << result.transcript;
}

TEST_F(ResidentStartTest, SecondStartWithoutArgumentsExitsOneAndLeavesTheRunningCopy)
{
    const auto result = run({ "boot", "start Vyx", "wait-exit 3 1s", "programs" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_NE(result.transcript.find("exited Vyx pid 3 code 1"), std::string::npos) << result.transcript;
    EXPECT_NE(result.transcript.find("Vyx pid 2 running"), std::string::npos) << result.transcript;
}

TEST_F(ResidentStartTest, ShutdownInAnyLetterCaseStopsTheRunningCopyAndKeepsTheShortcut)
{
    for (const char* argument : { "/shutdown", "/SHUTDOWN", "-x /ShutDown now" }) {
        const auto result = run({ "boot", std::string("start Vyx \"") + argument + "\"", "wait-exit 2 1s" });
        ASSERT_TRUE(result.succeeded) << argument << ": " << result.errors;
        EXPECT_NE(result.transcript.find("exited Vyx pid 3 code 1"), std::string::npos) << result.transcript;
        EXPECT_NE(result.transcript.find("exited Vyx pid 2 code 0"), std::string::npos) << result.transcript;
        EXPECT_EQ(result.transcript.find("messagebox"), std::string::npos) << result.transcript;
        EXPECT_TRUE(shortcutExists()) << argument;
    }
}

TEST_F(ResidentStartTest, DownKeyHeldTwoSecondsAtStartEndsTheStartWithNothingCreated)
{
    const auto held = run({ "key down 0x28", "start Vyx", "wait-exit 2 5s", "windows" });
    ASSERT_TRUE(held.succeeded) << held.errors;
    EXPECT_NE(held.transcript.find("[0002.000] exited Vyx pid 2 code 0"), std::string::npos) << held.transcript;
    EXPECT_EQ(held.transcript.find("VYX_MAINCLASS"), std::string::npos) << held.transcript;

    const auto released = run({ "key down 0x28", "start Vyx", "run 1s", "key up 0x28", "run 2s", "windows" });
    ASSERT_TRUE(released.succeeded) << released.errors;
    EXPECT_NE(released.transcript.find("VYX_MAINCLASS \"Vyx\" pid 2 hidden"), std::string::npos) << released.transcript;
    const std::string beforePowerOff = released.transcript.substr(0, released.transcript.find("power off"));
    EXPECT_EQ(beforePowerOff.find("exited Vyx"), std::string::npos) << released.transcript;
}

TEST_F(ResidentStartTest, MenuExitShowsItsNoticeRemovesTheShortcutAndStops)
{
    ASSERT_TRUE(run({}).succeeded);
    ASSERT_TRUE(shortcutExists());
    const auto result = runEmulatorScript(m_folder.path(),
        { "boot", "choose menu 4", "post VYX_MAINCLASS WM_USER+2001 99 0x201", "wait-exit 2 1s" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    EXPECT_NE(t.find("menu Фильтр Звонков {} | Тип Звонка {} Громкость Звонка {} | [ ] Мелодии...=1 | [ ] Опции...=2 | "
                     "[ ] Запустить Kab=3 [ ] Завершить работу Vyx=4 -> 4\n"),
        std::string::npos) << t;
    EXPECT_NE(t.find("messagebox \"Korvane Vyx\" \"Вы закрыли Vyx. Мы настоятельно рекомендуем закрыть все программы и сделать "
                     "мягкую перезагрузку(Soft Reset) Вашего устройства для нормальной работы стандартного телефона.\" OK -> OK"),
        std::string::npos) << t;
    EXPECT_NE(t.find("exited Vyx pid 2 code 0"), std::string::npos) << t;
    EXPECT_FALSE(shortcutExists());

    // Without its shortcut the next boot starts nothing.
    const auto reboot = runEmulatorScript(m_folder.path(), { "boot", "programs" });
    EXPECT_EQ(reboot.transcript.find("started Vyx"), std::string::npos) << reboot.transcript;
}

TEST_F(ResidentStartTest, MenuOpensOnlyForIconNinetyNineAndPenDown)
{
    const auto result = run({ "boot", "post VYX_MAINCLASS WM_USER+2001 98 0x201", "post VYX_MAINCLASS WM_USER+2001 99 0x202",
        "post VYX_MAINCLASS WM_USER+2001 99 0x200", "post VYX_MAINCLASS WM_USER+308", "programs" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    EXPECT_EQ(result.transcript.find("] menu "), std::string::npos) << result.transcript;
    EXPECT_NE(result.transcript.find("Vyx pid 2 running"), std::string::npos) << result.transcript;
}

TEST_F(ResidentStartTest, PhoneHookRetryTimerGivesUpAfterNineteenTicks)
{
    const auto result = run({ "boot", "spy VYX_MAINCLASS", "run 10m" });
    ASSERT_TRUE(result.succeeded) << result.errors;
    // Timer 3 ticks every 10 s from start-up and stops on its 19th tick.
    EXPECT_EQ(countOccurrences(result.transcript, " VYX_MAINCLASS 275 0x00000003 "), 19u) << result.transcript;
    EXPECT_NE(result.transcript.find("[0190.000] spy"), std::string::npos) << result.transcript;
    EXPECT_EQ(result.transcript.find("[0200.000] spy 0x00010001 VYX_MAINCLASS 275 0x00000003"), std::string::npos);
}

TEST_F(ResidentStartTest, StartRegistersItsWindowAsMasterBuildsTheIndexAndShutdownLeavesTheRoster)
{
    // The holder, joining after Vyx, keeps the roster alive after Vyx ends.
    const auto result = run({ testing_support::importSampleBook(), "boot", "start RosterHolder", "roster", "index check",
        "start Vyx /SHUTDOWN", "wait-exit 2 1s", "roster", "index check" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::string& t = result.transcript;
    const auto rosters = testing_support::linesPrintedAfterEach(t, "roster", "RosterProbe");
    ASSERT_EQ(rosters.size(), 2u) << t;
    ASSERT_EQ(rosters[0].size(), 2u) << t;
    EXPECT_TRUE(rosters[0][0].starts_with("master 0x")) << rosters[0][0];
    EXPECT_TRUE(rosters[0][0].ends_with(" VYX_MAINCLASS Vyx pid 2")) << rosters[0][0];
    EXPECT_TRUE(rosters[0][1].ends_with(" ROSTER_HOLDER RosterHolder pid 3")) << rosters[0][1];
    ASSERT_EQ(rosters[1].size(), 1u) << t;
    EXPECT_TRUE(rosters[1][0].starts_with("master 0x")) << rosters[1][0];
    EXPECT_TRUE(rosters[1][0].ends_with(" ROSTER_HOLDER RosterHolder pid 3")) << rosters[1][0];
    // The index stands in memory at once and is written when Vyx ends.
    const auto checks = testing_support::linesPrintedAfterEach(t, "index check", "IndexProbe");
    EXPECT_EQ(checks, (std::vector<Lines> { { "current" }, { "current" } })) << t;
    EXPECT_TRUE(std::filesystem::exists(m_folder.path() / "pim_index1.dat"));
    EXPECT_TRUE(std::filesystem::exists(m_folder.path() / "pim_index2.dat"));
}

// The master of the roster is another program that has no stores: Vyx, a slave, cannot build them.
TEST_F(ResidentStartTest, StartBehindAMasterWithoutStoresReportsItCannotConnectAndLeavesTheRoster)
{
    const auto result = run({ testing_support::importSampleBook(), "start RosterHolder", "start Vyx", "wait-exit Vyx 1s", "roster" });
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    const std::string& t = result.transcript;
    const std::string captionStart = "messagebox \"MainWnd.cpp : ";
    const std::string rest = "\" \"Unable connect to server\" OK -> OK\n";
    const auto box = t.find(captionStart);
    ASSERT_NE(box, std::string::npos) << t;
    const auto digits = box + captionStart.size();
    const auto lineEnd = t.find_first_not_of("0123456789", digits);
    EXPECT_GT(lineEnd, digits) << "no line number in the caption: " << t;
    EXPECT_EQ(t.compare(lineEnd, rest.size(), rest), 0) << t;
    EXPECT_EQ(countOccurrences(t, "messagebox "), 1u) << t;
    EXPECT_NE(t.find("exited Vyx pid 3 code 0"), std::string::npos) << t;
    const Lines roster = linesPrintedAfter(t, "roster", "RosterProbe");
    ASSERT_EQ(roster.size(), 1u) << t;
    EXPECT_TRUE(roster[0].starts_with("master 0x")) << roster[0];
    EXPECT_TRUE(roster[0].ends_with(" ROSTER_HOLDER RosterHolder pid 2")) << roster[0];
    EXPECT_FALSE(std::filesystem::exists(m_folder.path() / "pim_index1.dat"));
}

TEST_F(ResidentStartTest, NameLookupWritesTheNameBySortTypeAndTheIncomingCallMessageLeavesTheBlockAlone)
{
    const struct {
        int sortType;
        std::string number;
        std::string answer;
    } cases[] = {
        { 0, "+7 (916) 123-45-67", "Иванов, Иван Петрович" },
        { 1, "+7 (916) 123-45-67", "Иванов Иван" },
        // Without a stored display name, the company.
        { 1, "+7 903 111-00-99", "Прокат Авто" },
        // What the block held before is replaced by an empty name.
        { 0, "+7 999 000-00-00", "" },
        { 1, "+7 999 000-00-00", "" },
    };
    std::vector<std::string> lines { testing_support::importSampleBook(), "contacts add \"company=Прокат Авто\" \"mobile=+7 903 111-00-99\"",
        "boot", "run 1s" };
    Lines expected;
    for (const auto& c : cases) {
        lines.push_back(std::string("reg set ") + settingsKey + " SortType dword " + std::to_string(c.sortType));
        lines.push_back("start NameAsker ask " + c.number);
        expected.push_back("ask " + c.number + " -> " + c.answer);
    }
    lines.push_back("start NameAsker call +7 (916) 123-45-67");
    expected.push_back("call +7 (916) 123-45-67 -> untouched");
    const auto result = run(lines);
    ASSERT_TRUE(result.succeeded) << result.errors << result.transcript;
    EXPECT_EQ(*m_answers, expected) << result.transcript;
}

}
