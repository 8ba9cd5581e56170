// devemu's `reg` command: values of every type set, read, listed and deleted by script, kept between
// runs on the same device folder, told to a watching window, and the errors of bad commands.
#include "platform/api/RegExt.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using testing_support::ScriptResult;

constexpr UINT missedCountChanged = WM_USER + 71;

// A program that watches "Missed Call Count" with a window of class WATCH_CLASS until it is closed.
int watcherMain(HINSTANCE instance)
{
    WNDCLASS windowClass {};
    windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CLOSE) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    };
    windowClass.hInstance = instance;
    windowClass.lpszClassName = u"WATCH_CLASS";
    RegisterClass(&windowClass);
    const HWND hwnd = CreateWindowEx(0, u"WATCH_CLASS", u"Watch", 0, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    HREGNOTIFY notify = nullptr;
    RegistryNotifyWindow(HKEY_CURRENT_USER, u"System\\State\\Phone", u"Missed Call Count", hwnd, missedCountChanged, 1, nullptr, &notify);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0))
        DispatchMessage(&msg);
    RegistryCloseNotification(notify);
    return static_cast<int>(msg.wParam);
}

ScriptResult runScript(const std::filesystem::path& folder, const std::vector<std::string>& lines)
{
    return testing_support::runEmulatorScript(folder, lines, false, [](emu::Device& device) {
        device.installProgram(u"\\Windows\\watcher.exe", [](HINSTANCE instance, const std::u16string&) { return watcherMain(instance); });
    });
}

TEST(RegCommand, SetsGetsListsAndDeletesValuesOfEveryType)
{
    testing_support::TempFolder folder;
    const std::string key = "HKCU\\Software\\RegTest\\Settings";
    const ScriptResult result = runScript(folder.path(), {
        "reg set " + key + " RecallDelay dword 5",
        "reg set " + key + " Offset dword -1",
        "reg set " + key + " SkinPath sz \"\\\\Skins\\\\Синий \\\"1\\\".skn\"",
        "reg set " + key + " Empty sz \"\"",
        "reg set " + key + " Colors binary 01 ff 0A",
        "reg set " + key + " \"Temp Time\" qword 0x01DC2A8B5E4C0000",
        "reg set " + key + " Names multi_sz one \"two words\"",
        "reg set HKEY_CURRENT_USER\\Software\\RegTest\\Settings\\Below Value dword 1",
        "reg get " + key + " recalldelay",
        "reg get " + key + " Offset",
        "reg get " + key + " SkinPath",
        "reg get " + key + " Empty",
        "reg get " + key + " Colors",
        "reg get " + key + " \"Temp Time\"",
        "reg get " + key + " Names",
        "reg get " + key + " Nothing",
        "reg get HKCU\\Software\\Nowhere Nothing",
        "reg list " + key,
        "reg list HKLM",
        "reg delete " + key + " Colors",
    });
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    const auto printed = [&](const std::string& line) { return testing_support::linesPrintedAfter(t, line); };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(printed("reg get " + key + " recalldelay"), Lines { "RecallDelay = dword 5 (0x00000005)" }) << t;
    EXPECT_EQ(printed("reg get " + key + " Offset"), Lines { "Offset = dword 4294967295 (0xFFFFFFFF)" });
    EXPECT_EQ(printed("reg get " + key + " SkinPath"), Lines { "SkinPath = sz \"\\Skins\\Синий \\\"1\\\".skn\"" });
    EXPECT_EQ(printed("reg get " + key + " Empty"), Lines { "Empty = sz \"\"" });
    EXPECT_EQ(printed("reg get " + key + " Colors"), Lines { "Colors = binary 01 FF 0A" });
    EXPECT_EQ(printed("reg get " + key + " \"Temp Time\""), Lines { "Temp Time = qword 134028866985132032 (0x01DC2A8B5E4C0000)" });
    EXPECT_EQ(printed("reg get " + key + " Names"), Lines { "Names = multi_sz \"one\" \"two words\"" });
    EXPECT_EQ(printed("reg get " + key + " Nothing"), Lines { "Nothing missing" });
    EXPECT_EQ(printed("reg get HKCU\\Software\\Nowhere Nothing"), Lines { "Nothing missing" });
    EXPECT_EQ(printed("reg list " + key),
              (Lines { "key Below", "RecallDelay = dword 5 (0x00000005)", "Offset = dword 4294967295 (0xFFFFFFFF)",
                       "SkinPath = sz \"\\Skins\\Синий \\\"1\\\".skn\"", "Empty = sz \"\"", "Colors = binary 01 FF 0A",
                       "Temp Time = qword 134028866985132032 (0x01DC2A8B5E4C0000)", "Names = multi_sz \"one\" \"two words\"" }));
    EXPECT_EQ(printed("reg list HKLM"), Lines { "no subkeys or values" });

    // The next run on the folder finds what this one left.
    const ScriptResult later = runScript(folder.path(), {
        "reg get " + key + " RecallDelay",
        "reg get " + key + " Colors",
        "reg delete HKCU\\Software\\RegTest",
        "reg list HKCU\\Software",
    });
    ASSERT_TRUE(later.succeeded) << later.errors;
    EXPECT_EQ(testing_support::linesPrintedAfter(later.transcript, "reg get " + key + " RecallDelay"), Lines { "RecallDelay = dword 5 (0x00000005)" });
    EXPECT_EQ(testing_support::linesPrintedAfter(later.transcript, "reg get " + key + " Colors"), Lines { "Colors missing" });
    const auto software = testing_support::linesPrintedAfter(later.transcript, "reg list HKCU\\Software");
    EXPECT_EQ(std::count(software.begin(), software.end(), "key RegTest"), 0) << later.transcript;
}

TEST(RegCommand, ChangesAreToldToTheWindowsThatWatchThem)
{
    testing_support::TempFolder folder;
    const ScriptResult result = runScript(folder.path(), {
        "start watcher",
        "spy WATCH_CLASS",
        "reg set \"HKCU\\System\\State\\Phone\" \"Missed Call Count\" dword 2",
        "reg set \"HKCU\\System\\State\\Phone\" \"Missed Call Count\" dword 2",
        "reg set \"HKCU\\System\\State\\Phone\" Other dword 3",
        "reg delete \"HKCU\\System\\State\\Phone\" \"Missed Call Count\"",
        "spy off",
        "post WATCH_CLASS WM_CLOSE",
        "wait-exit watcher 1s",
    });
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    const std::string told = " WATCH_CLASS " + std::to_string(missedCountChanged) + " 0x00000001 ";
    EXPECT_EQ(testing_support::countOccurrences(t, told), 2u) << t;
    EXPECT_NE(t.find(told + "0x00000002\n"), std::string::npos) << t;
    EXPECT_NE(t.find(told + "0x00000000\n"), std::string::npos) << t;
}

TEST(RegCommand, BadCommandsSayWhatIsWrong)
{
    struct Case {
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        { "reg get HKCR\\Software x", "not a registry path: HKCR\\Software (begin it with HKCU\\ or HKLM\\)" },
        { "reg get HKCU\\Software", "usage: reg get PATH NAME" },
        { "reg frob HKCU\\Software", "usage: reg get|set|delete|list PATH ..." },
        { "reg set HKCU\\Software A dword abc", "not a number for dword: abc" },
        { "reg set HKCU\\Software A dword 0x100000000", "not a 32-bit number: 0x100000000" },
        { "reg set HKCU\\Software A dword 1 2", "usage: reg set PATH NAME dword|qword NUMBER" },
        { "reg set HKCU\\Software A float 1.5", "usage: reg set PATH NAME dword|qword NUMBER" },
        { "reg set HKCU\\Software A binary 0x1", "not a byte in hex: 0x1 (write 01 02 0A)" },
        { "reg set HKCU\\Software A multi_sz one \"\"", "a multi_sz holds no empty text" },
        { "reg list HKCU\\Nothing", "no key HKCU\\Nothing" },
        { "reg delete HKCU\\Nothing", "no key HKCU\\Nothing" },
        { "reg delete HKCU\\Software Missing", "no value Missing under HKCU\\Software" },
        { "reg delete HKCU", "a root key cannot be deleted" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        testing_support::TempFolder folder;
        const ScriptResult result = runScript(folder.path(), { "reg set HKCU\\Software Present dword 1", c.line });
        EXPECT_FALSE(result.succeeded);
        EXPECT_EQ(result.errors.find("error: line 2: " + c.expected), 0u) << result.errors;
    }
}

}
