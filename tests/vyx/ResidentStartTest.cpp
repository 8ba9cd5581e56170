// Vyx's resident start on the emulated phone: the boot, the single copy, the safe-start escape, the
// two ways to stop it, the main menu's entry and the phone-integration retry timer.
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::countOccurrences;
using testing_support::runEmulatorScript;

class ResidentStartTest : public ::testing::Test {
protected:
    testing_support::ScriptResult run(const std::vector<std::string>& lines)
    {
        return runEmulatorScript(m_folder.path(), lines, true);
    }
    bool shortcutExists() const
    {
        return std::filesystem::exists(m_folder.path() / "Windows" / "StartUp" / "Korvane Vyx.lnk");
    }

    testing_support::TempFolder m_folder;
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

}
