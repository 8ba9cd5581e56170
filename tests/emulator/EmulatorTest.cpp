// devemu end to end: scripts on device folders, their transcripts and their errors.
#include "emulator/Emulator.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "tests/support/EmulatorScript.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace devemu {
namespace {

constexpr UINT askQuestion = WM_USER + 1;
constexpr UINT openMenu = WM_USER + 2;
constexpr UINT hangForever = WM_USER + 3;

LRESULT probeProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case askQuestion:
        return MessageBox(hwnd, u"Delete the log?\nIt cannot be undone.", u"Probe", MB_YESNO);
    case openMenu: {
        const HMENU menu = CreatePopupMenu();
        const HMENU more = CreatePopupMenu();
        AppendMenu(more, MF_STRING, 30, u"Third");
        AppendMenu(menu, MF_STRING | MF_CHECKED, 10, u"First");
        AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(more), u"More");
        const BOOL command = TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, hwnd, nullptr);
        DestroyMenu(menu);
        return command;
    }
    case hangForever: {
        const HANDLE never = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        WaitForSingleObject(never, INFINITE);
        return 0;
    }
    case WM_TIMER:
        KillTimer(hwnd, wParam);
        PostQuitMessage(7);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

// A small program with a window: it answers the messages above and ends 10 s after a WM_USER+4.
int probeMain(HINSTANCE instance)
{
    WNDCLASS windowClass {};
    windowClass.lpfnWndProc = probeProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = u"PROBE_CLASS";
    RegisterClass(&windowClass);
    const HWND hwnd = CreateWindowEx(0, u"PROBE_CLASS", u"Probe", 0, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_USER + 4)
            SetTimer(hwnd, 1, 10000, nullptr);
        DispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

using testing_support::ScriptResult;

void installProbe(emu::Device& device)
{
    device.installProgram(u"\\Windows\\probe.exe", [](HINSTANCE instance, const std::u16string&) { return probeMain(instance); });
}

ScriptResult runScript(const std::filesystem::path& folder, const std::vector<std::string>& lines, bool wipe = false)
{
    return testing_support::runEmulatorScript(folder, lines, wipe, installProbe);
}

const std::vector<std::string> sessionScript {
    "start probe \"one two\"",
    "windows",
    "answer messagebox No",
    "send PROBE_CLASS WM_USER+1",
    "send PROBE_CLASS WM_USER+1",
    "choose menu Third",
    "send PROBE_CLASS WM_USER+2",
    "spy probe_class",
    "post PROBE_CLASS WM_USER+4 0x10 -1",
    "spy off",
    "wait-exit probe 1m",
    "programs",
};

TEST(Emulator, SameScriptPrintsSameTranscriptEveryTime)
{
    testing_support::TempFolder first;
    testing_support::TempFolder second;
    const ScriptResult a = runScript(first.path(), sessionScript);
    const ScriptResult again = runScript(first.path(), sessionScript);
    const ScriptResult b = runScript(second.path(), sessionScript);
    ASSERT_TRUE(a.succeeded) << a.errors;
    EXPECT_EQ(a.transcript, again.transcript);
    EXPECT_EQ(a.transcript, b.transcript);
    EXPECT_EQ(a.transcript.find(first.path().string()), std::string::npos);
}

TEST(Emulator, TranscriptShowsProgramsBoxesMenusAndSpiedMessages)
{
    testing_support::TempFolder folder;
    const ScriptResult result = runScript(folder.path(), sessionScript);
    ASSERT_TRUE(result.succeeded) << result.errors;
    const std::string& t = result.transcript;
    EXPECT_NE(t.find("[0000.000] started probe pid 2 \"one two\"\n"), std::string::npos) << t;
    EXPECT_NE(t.find("PROBE_CLASS \"Probe\" pid 2 hidden 0,0 10x10\n"), std::string::npos) << t;
    EXPECT_NE(t.find("messagebox \"Probe\" \"Delete the log?\\nIt cannot be undone.\" Yes,No -> No\n[0000.000] result 7\n"),
        std::string::npos) << t;
    // The second box had no queued answer and took its first button.
    EXPECT_NE(t.find("Yes,No -> Yes\n[0000.000] result 6\n"), std::string::npos) << t;
    EXPECT_NE(t.find("menu [x] First=10 | More {[ ] Third=30} -> 30\n[0000.000] result 30\n"), std::string::npos) << t;
    EXPECT_NE(t.find("spy 0x0001000"), std::string::npos) << t;
    EXPECT_NE(t.find(" PROBE_CLASS 1028 0x00000010 0xFFFFFFFF\n"), std::string::npos) << t;
    EXPECT_NE(t.find("[0010.000] exited probe pid 2 code 7\n"), std::string::npos) << t;
    EXPECT_NE(t.find("probe pid 2 exited code 7 \"one two\""), std::string::npos) << t;
}

TEST(Emulator, FailingCommandsNameTheirLine)
{
    struct Case {
        std::vector<std::string> script;
        std::string expected;
    };
    const Case cases[] = {
        { { "windows", "fly away" }, "error: line 2: unknown command fly" },
        { { "start nosuch" }, "error: line 1: no program nosuch is installed" },
        { { "run soon" }, "error: line 1: not a duration: soon" },
        { { "start probe", "wait-exit probe 5s" }, "error: line 2: probe pid 2 still runs after 5s" },
        { { "start probe", "post PROBE_CLASS WM_USER+3", "wait-exit probe" }, "error: line 3: deadlock waiting for probe pid 2: " },
        { { "send NO_CLASS WM_CLOSE" }, "error: line 1: no window of class NO_CLASS" },
        { { "answer messagebox Maybe" }, "error: line 1: not a message box button: Maybe" },
    };
    for (const Case& c : cases) {
        testing_support::TempFolder folder;
        const ScriptResult result = runScript(folder.path(), c.script);
        EXPECT_FALSE(result.succeeded);
        EXPECT_EQ(result.errors.find(c.expected), 0u) << result.errors;
    }
}

TEST(Emulator, DeadlockReportNamesTheBlockedThreadAndItsWait)
{
    testing_support::TempFolder folder;
    const ScriptResult result = runScript(folder.path(), { "start probe", "post PROBE_CLASS WM_USER+3", "wait-exit probe" });
    EXPECT_NE(result.errors.find("thread 2 of probe pid 2 waits for WaitForSingleObject(event)"), std::string::npos) << result.errors;
}

TEST(Emulator, RecordsTheDeviceProfileForLaterRuns)
{
    testing_support::TempFolder folder;
    std::ostringstream transcript;
    std::string error;
    EmulatorOptions options;
    options.folder = folder.path();
    options.screen = std::pair(480, 640);
    options.dpi = 192;
    options.startTime = emu::parseDateTime("2026-05-01 18:30");
    Emulator::open(options, transcript, error).reset();
    ASSERT_TRUE(error.empty()) << error;

    const ScriptResult later = runScript(folder.path(), { "run 90s" });
    EXPECT_EQ(later.transcript.find("[0000.000] power on 2026-05-01 18:30:00 screen 480x640 at 192 dpi\n"), 0u) << later.transcript;
}

TEST(Emulator, NewWipesTheDeviceFolderButKeepsNothingOfTheOldProfile)
{
    testing_support::TempFolder folder;
    std::filesystem::create_directories(folder.path() / "Old Folder");
    std::ostringstream transcript;
    std::string error;
    EmulatorOptions options;
    options.folder = folder.path();
    options.startTime = emu::parseDateTime("2027-01-01 00:00");
    Emulator::open(options, transcript, error).reset();

    const ScriptResult fresh = runScript(folder.path(), {}, true);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Old Folder"));
    // Wiped means new: the suite is installed again.
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Windows" / "StartUp" / "Korvane Vyx.lnk"));
    EXPECT_EQ(fresh.transcript.find("[0000.000] power on 2026-03-02 09:00:00"), 0u) << fresh.transcript;
}

}
}
