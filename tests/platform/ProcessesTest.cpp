// Processes: how they start and end, their exit codes and handles, their threads, and the values each
// keeps for itself.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/FileApi.h"
#include "platform/api/ProcessStorage.h"
#include "platform/api/WinBase.h"
#include "platform/emu/EmuThread.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

using testing_support::MessageHandler;
using testing_support::resultAt;
using testing_support::waitOutcome;
using testing_support::startThread;

namespace {

class ProcessesTest : public testing_support::DeviceFixture {
protected:
    bool transcriptHas(const std::string& line) const { return transcript().find(line) != std::string::npos; }
};

[[noreturn]] void leaveFromDeepInside(UINT code)
{
    ExitProcess(code);
}

struct ExitCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const ExitCase& tested, std::ostream* out) { *out << tested.name; }
    std::function<int()> body;
    DWORD code;
};

class ExitCodeTest
    : public ProcessesTest
    , public ::testing::WithParamInterface<ExitCase> { };

TEST_P(ExitCodeTest, ProcessEndsWithTheCodeItChose)
{
    const DWORD code = runProgram(GetParam().body);
    EXPECT_EQ(code, GetParam().code);
    EXPECT_TRUE(transcriptHas("exited test pid 1 code " + std::to_string(GetParam().code) + "\n")) << transcript();
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitCodeTest,
    ::testing::Values(ExitCase { "ReturnFromTheMainRoutine", [] { return 7; }, 7 },
        ExitCase { "ExitProcessOnTheMainThread", []() -> int { leaveFromDeepInside(9); }, 9 },
        ExitCase { "ExitProcessOnAnotherThread",
            [] {
                const HANDLE never = CreateEvent(nullptr, TRUE, FALSE, nullptr);
                startThread([]() -> DWORD {
                    Sleep(20);
                    leaveFromDeepInside(11);
                });
                WaitForSingleObject(never, INFINITE);
                return 0;
            },
            11 },
        ExitCase { "TerminateProcessOfItself", []() -> int {
                      TerminateProcess(GetCurrentProcess(), 13);
                      return 0;
                  },
            13 }),
    testing_support::caseName<ExitCase>);

TEST_F(ProcessesTest, EndingTheMainThreadEndsTheOtherThreadsOfTheProcess)
{
    const auto process = start(u"test", [] {
        const HANDLE never = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        startThread([never] { return WaitForSingleObject(never, INFINITE); });
        startThread([] {
            for (;;)
                Sleep(100);
            return DWORD { 0 };
        });
        Sleep(250);
        return 4;
    });
    ASSERT_EQ(device->runUntil([&] { return process->finished(); }, 10000), emu::RunOutcome::Done) << device->deadlockReport();
    EXPECT_EQ(device->clock().now(), 250u);
    EXPECT_EQ(process->exitCode(), 4u);
    ASSERT_EQ(process->threads().size(), 3u);
    for (const auto& thread : process->threads()) {
        EXPECT_TRUE(thread->finished()) << thread->describe();
        EXPECT_EQ(thread->exitCode(), 4u) << thread->describe();
    }
    EXPECT_TRUE(transcriptHas("[0000.250] exited test pid 1 code 4\n")) << transcript();
}

struct StartCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const StartCase& tested, std::ostream* out) { *out << tested.name; }
    const char16_t* application;
    const char16_t* commandLine;
};

class StartTest
    : public ProcessesTest
    , public ::testing::WithParamInterface<StartCase> { };

TEST_P(StartTest, ProcessHandleSignalsWhenTheProcessEnds)
{
    device->installProgram(u"\\Windows\\child.exe", [](HINSTANCE, const std::u16string&) {
        Sleep(250);
        return 5;
    });
    std::vector<std::string> events;
    runProgram(
        [&] {
            PROCESS_INFORMATION child {};
            if (!CreateProcess(GetParam().application, GetParam().commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               nullptr, &child))
                return 1;
            const HANDLE opened = OpenProcess(0, FALSE, child.dwProcessId);
            DWORD code = 0;
            GetExitCodeProcess(child.hProcess, &code);
            events.push_back("running: " + std::to_string(code));
            events.push_back("waited: " + waitOutcome(child.hProcess, INFINITE));
            events.push_back("opened handle: " + std::to_string(WaitForSingleObject(opened, 0)));
            GetExitCodeProcess(child.hProcess, &code);
            events.push_back("ended: " + std::to_string(code));
            CloseHandle(opened);
            CloseHandle(child.hThread);
            CloseHandle(child.hProcess);
            return 0;
        },
        u"parent");
    EXPECT_EQ(events, (std::vector<std::string> { "running: " + std::to_string(STILL_ACTIVE), "waited: " + resultAt(WAIT_OBJECT_0, 250),
                          "opened handle: " + std::to_string(WAIT_OBJECT_0), "ended: 5" }));
    EXPECT_TRUE(transcriptHas("[0000.000] started parent pid 1 \"\"\n")) << transcript();
    EXPECT_TRUE(transcriptHas("[0000.000] started child pid 2 \"--quiet\"\n")) << transcript();
    EXPECT_TRUE(transcriptHas("[0000.250] exited child pid 2 code 5\n")) << transcript();
    EXPECT_TRUE(transcriptHas("[0000.250] exited parent pid 1 code 0\n")) << transcript();
}

INSTANTIATE_TEST_SUITE_P(Ways, StartTest,
    ::testing::Values(StartCase { "ByName", u"child", u"--quiet" }, StartCase { "ByPath", u"\\Windows\\child.exe", u"--quiet" },
        StartCase { "ByPathInAnotherCase", u"\\WINDOWS\\Child.EXE", u"--quiet" },
        StartCase { "ByTheCommandLineAlone", nullptr, u"child --quiet" }),
    testing_support::caseName<StartCase>);

TEST_F(ProcessesTest, ProgramThatIsNotInstalledFailsToStartWithFileNotFound)
{
    std::vector<DWORD> outcome;
    runProgram([&] {
        PROCESS_INFORMATION information {};
        outcome.push_back(static_cast<DWORD>(CreateProcess(u"\\Windows\\missing.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                                           nullptr, nullptr, &information)));
        outcome.push_back(GetLastError());
        return 0;
    });
    EXPECT_EQ(outcome, (std::vector<DWORD> { FALSE, ERROR_FILE_NOT_FOUND }));
    EXPECT_FALSE(transcriptHas("started missing")) << transcript();
}

TEST_F(ProcessesTest, ModuleFileNameIsThePathTheProgramIsInstalledAt)
{
    std::vector<std::u16string> names;
    DWORD length = 0;
    device->installProgram(u"\\Program Files\\Korvane\\Vyx.exe", [&](HINSTANCE instance, const std::u16string&) {
        char16_t buffer[260] {};
        length = GetModuleFileName(nullptr, buffer, 260);
        names.emplace_back(buffer);
        GetModuleFileName(instance, buffer, 260);
        names.emplace_back(buffer);
        GetModuleFileName(GetModuleHandle(nullptr), buffer, 260);
        names.emplace_back(buffer);
        return 0;
    });
    const auto process = device->startProgram(u"vyx", u"-resident");
    ASSERT_NE(process, nullptr);
    ASSERT_EQ(device->runUntil([&] { return process->finished(); }, std::nullopt), emu::RunOutcome::Done);
    const std::u16string path = u"\\Program Files\\Korvane\\Vyx.exe";
    EXPECT_EQ(names, (std::vector<std::u16string> { path, path, path }));
    EXPECT_EQ(length, path.size());
    EXPECT_TRUE(transcriptHas("started Vyx pid 1 \"-resident\"\n")) << transcript();
}

// A value that counts its own destruction into the test.
struct ReleaseCounter {
    int* releases { nullptr };
    ~ReleaseCounter()
    {
        if (releases)
            ++*releases;
    }
};

TEST_F(ProcessesTest, TwoCopiesOfAProgramKeepSeparateProcessValues)
{
    std::vector<std::string> seen;
    int releases = 0;
    device->installProgram(u"\\Windows\\counter.exe", [&](HINSTANCE, const std::u16string& commandLine) {
        const int mine = commandLine.at(0) - u'0';
        platform::processGlobal<int>() = mine;
        platform::processGlobal<ReleaseCounter>().releases = &releases;
        // Both copies are running before either looks again.
        Sleep(10);
        const HANDLE helper = startThread([&] {
            platform::processGlobal<int>() += 10;
            return DWORD { 0 };
        });
        WaitForSingleObject(helper, INFINITE);
        seen.push_back("copy " + std::to_string(mine) + " sees " + std::to_string(platform::processGlobal<int>()) + ", released "
            + std::to_string(releases));
        return 0;
    });
    const auto first = device->startProgram(u"counter", u"1");
    const auto second = device->startProgram(u"counter", u"2");
    ASSERT_EQ(device->runUntil([&] { return first->finished() && second->finished(); }, std::nullopt), emu::RunOutcome::Done);
    EXPECT_EQ(seen, (std::vector<std::string> { "copy 1 sees 11, released 0", "copy 2 sees 12, released 1" }));
    EXPECT_EQ(releases, 2);
}

// A starter waiting for the process it started keeps a window of its own; the started process
// takes the foreground with its window and then ends, one way or the other.
struct ForegroundEndCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const ForegroundEndCase& tested, std::ostream* out) { *out << tested.name; }
    bool exitProcess;
};

class ForegroundEndTest
    : public ProcessesTest
    , public ::testing::WithParamInterface<ForegroundEndCase> { };

TEST_P(ForegroundEndTest, StarterWaitingForAProcessThatTookTheForegroundIsReleasedWhenItEnds)
{
    const bool exitProcess = GetParam().exitProcess;
    device->installProgram(u"\\Windows\\child.exe", [exitProcess](HINSTANCE, const std::u16string&) {
        testing_support::registerScriptedClass();
        MessageHandler none;
        testing_support::createScriptedWindow(none, { .style = WS_POPUP | WS_VISIBLE });
        Sleep(100);
        if (exitProcess)
            ExitProcess(3);
        return 3;
    });
    std::vector<std::string> events;
    runProgram(
        [&] {
            testing_support::registerScriptedClass();
            MessageHandler record = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                if (message == WM_ACTIVATE)
                    events.push_back(LOWORD(wParam) == WA_INACTIVE ? "deactivated" : "activated");
                return std::nullopt;
            };
            const HWND window = testing_support::createScriptedWindow(record, { .style = WS_POPUP | WS_VISIBLE });
            events.clear();
            PROCESS_INFORMATION child {};
            if (!CreateProcess(u"child", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &child))
                return 1;
            events.push_back("waited: " + waitOutcome(child.hProcess, INFINITE));
            MSG msg;
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            events.push_back(GetForegroundWindow() == window ? "foreground again" : "not in the foreground");
            return 0;
        },
        u"starter");
    EXPECT_EQ(events, (std::vector<std::string> { "waited: " + resultAt(WAIT_OBJECT_0, 100), "deactivated", "activated", "foreground again" }));
    EXPECT_TRUE(transcriptHas("exited child pid 2 code 3\n")) << transcript();
}

INSTANTIATE_TEST_SUITE_P(Ways, ForegroundEndTest,
    ::testing::Values(ForegroundEndCase { "ReturnFromTheMainRoutine", false }, ForegroundEndCase { "ExitProcess", true }),
    testing_support::caseName<ForegroundEndCase>);

}

namespace {

// What a program that ends without closing anything leaves behind: nothing, as the system closes its
// handles and unmaps its views. A named region whose last holder was killed is gone for the next
// program, and a file it kept open without sharing can be opened again.
TEST_F(ProcessesTest, AnEndedProgramsHandlesAndViewsAreClosedForIt)
{
    for (const bool killed : { false, true }) {
        SCOPED_TRACE(killed ? "killed" : "returned");
        resetDevice({});
        const auto holder = start(u"holder", [killed] {
            const HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, u"LeftOpen");
            auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 64));
            view[0] = 'x';
            CreateFile(u"\\held.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            Sleep(killed ? INFINITE : 0);
            return 0;
        });
        device->runUntilIdle();
        if (killed)
            device->terminateProcess(*holder, 1);
        device->runUntil([&] { return holder->finished(); }, std::nullopt);

        runProgram([] {
            const HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, u"LeftOpen");
            EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
            const auto* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 64));
            EXPECT_EQ(view[0], 0);
            const HANDLE file = CreateFile(u"\\held.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(file, INVALID_HANDLE_VALUE);
            return 0;
        });
    }
}

}

namespace {

// A killed program stops where it stands: no code of it runs afterwards, not even the destructors of
// what its threads hold, as on the phone.
TEST_F(ProcessesTest, AKilledProgramRunsNoCodeAfterTheKill)
{
    bool cleanedUp = false;
    struct CleanUp {
        bool& done;
        ~CleanUp() { done = true; }
    };
    const auto victim = start(u"victim", [&cleanedUp] {
        CleanUp cleanUp { cleanedUp };
        Sleep(INFINITE);
        return 0;
    });
    device->runUntilIdle();
    runProgram([&] {
        TerminateProcess(OpenProcess(0, FALSE, victim->id()), 7);
        return 0;
    });
    EXPECT_TRUE(victim->finished());
    EXPECT_EQ(victim->exitCode(), 7u);
    EXPECT_FALSE(cleanedUp);
}

}
