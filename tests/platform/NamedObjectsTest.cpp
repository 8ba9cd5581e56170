// Named kernel objects shared between processes: events, mutexes and page-file mappings.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinBase.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using testing_support::resultAt;
using testing_support::waitOutcome;

namespace {

class NamedObjectsTest : public testing_support::DeviceFixture {
protected:
    // Runs until every one of the processes has ended.
    void runAll(const std::vector<std::shared_ptr<emu::Process>>& processes)
    {
        const auto outcome = device->runUntil(
            [&] { return std::all_of(processes.begin(), processes.end(), [](const auto& p) { return p->finished(); }); },
            std::nullopt);
        EXPECT_EQ(outcome, emu::RunOutcome::Done) << device->deadlockReport();
    }
};

TEST_F(NamedObjectsTest, EventOfTheSameNameInTwoProcessesIsOneEvent)
{
    std::vector<std::string> events;
    const auto waiter = start(u"waiter", [&] {
        const HANDLE event = CreateEvent(nullptr, FALSE, FALSE, u"Korvane.Ready");
        events.push_back("waiter created it, error " + std::to_string(GetLastError()));
        events.push_back("waiter got " + waitOutcome(event, INFINITE));
        return 0;
    });
    const auto setter = start(u"setter", [&] {
        Sleep(40);
        const HANDLE event = CreateEvent(nullptr, FALSE, FALSE, u"Korvane.Ready");
        events.push_back("setter opened it, error " + std::to_string(GetLastError()));
        SetEvent(event);
        return 0;
    });
    runAll({ waiter, setter });
    EXPECT_EQ(events, (std::vector<std::string> { "waiter created it, error 0",
                          "setter opened it, error " + std::to_string(ERROR_ALREADY_EXISTS), "waiter got " + resultAt(WAIT_OBJECT_0, 40) }));
}

TEST_F(NamedObjectsTest, MutexOfTheSameNameInTwoProcessesExcludesTheOther)
{
    std::vector<std::string> events;
    const auto holder = start(u"holder", [&] {
        const HANDLE mutex = CreateMutex(nullptr, TRUE, u"Korvane.Store");
        Sleep(300);
        events.push_back("holder releases");
        ReleaseMutex(mutex);
        return 0;
    });
    const auto other = start(u"other", [&] {
        const HANDLE mutex = CreateMutex(nullptr, TRUE, u"Korvane.Store");
        const DWORD error = GetLastError();
        // The mutex existed: asking to own it at creation gives no ownership.
        events.push_back("other opened it, error " + std::to_string(error) + ", try " + std::to_string(WaitForSingleObject(mutex, 0)));
        events.push_back("other got " + waitOutcome(mutex, INFINITE));
        ReleaseMutex(mutex);
        return 0;
    });
    runAll({ holder, other });
    EXPECT_EQ(events, (std::vector<std::string> {
                          "other opened it, error " + std::to_string(ERROR_ALREADY_EXISTS) + ", try " + std::to_string(WAIT_TIMEOUT),
                          "holder releases", "other got " + resultAt(WAIT_OBJECT_0, 300) }));
}

TEST_F(NamedObjectsTest, NameHeldByAnObjectOfAnotherKindFailsTheCreation)
{
    HANDLE mutex = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    runProgram([&] {
        CreateEvent(nullptr, TRUE, FALSE, u"Korvane.Name");
        mutex = CreateMutex(nullptr, FALSE, u"Korvane.Name");
        error = GetLastError();
        return 0;
    });
    EXPECT_EQ(mutex, nullptr);
    EXPECT_EQ(error, ERROR_INVALID_HANDLE);
}

TEST_F(NamedObjectsTest, NameIsFreeAgainOnceTheLastHandleIsClosed)
{
    std::vector<DWORD> errors;
    runProgram([&] {
        const HANDLE first = CreateEvent(nullptr, TRUE, TRUE, u"Korvane.Once");
        errors.push_back(GetLastError());
        const HANDLE second = CreateEvent(nullptr, TRUE, FALSE, u"Korvane.Once");
        errors.push_back(GetLastError());
        CloseHandle(first);
        CloseHandle(second);
        const HANDLE third = CreateEvent(nullptr, TRUE, FALSE, u"Korvane.Once");
        errors.push_back(GetLastError());
        // A new event, created unsignaled: nothing of the first one is left.
        errors.push_back(WaitForSingleObject(third, 0));
        return 0;
    });
    EXPECT_EQ(errors, (std::vector<DWORD> { ERROR_SUCCESS, ERROR_ALREADY_EXISTS, ERROR_SUCCESS, WAIT_TIMEOUT }));
}

TEST_F(NamedObjectsTest, PageFileMappingOfEightMegabytesShowsTheSameBytesToTwoProcesses)
{
    constexpr DWORD size = 8 * 1024 * 1024;
    constexpr char text[] = "shared between processes";
    std::vector<std::string> events;

    device->installProgram(u"\\Windows\\reader.exe", [&](HINSTANCE, const std::u16string&) {
        const HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, u"Korvane.Shared");
        events.push_back("reader opened it, error " + std::to_string(GetLastError()));
        auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view)
            return 1;
        const bool same = view[0] == 0x5A && view[size - 1] == 0xA5 && std::memcmp(view + size / 2, text, sizeof text) == 0;
        events.push_back(same ? "reader sees the writer's bytes" : "reader sees other bytes");
        view[1] = 0x77;
        view[size - 2] = 0x88;
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        return 0;
    });
    const DWORD code = runProgram([&] {
        const HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, u"Korvane.Shared");
        events.push_back("writer created it, error " + std::to_string(GetLastError()));
        auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view)
            return 1;
        view[0] = 0x5A;
        view[size - 1] = 0xA5;
        std::memcpy(view + size / 2, text, sizeof text);

        PROCESS_INFORMATION reader {};
        if (!CreateProcess(u"reader", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &reader))
            return 2;
        WaitForSingleObject(reader.hProcess, INFINITE);
        DWORD readerCode = 0;
        GetExitCodeProcess(reader.hProcess, &readerCode);
        events.push_back("reader ended with " + std::to_string(readerCode));
        events.push_back(view[1] == 0x77 && view[size - 2] == 0x88 ? "writer sees the reader's bytes" : "writer sees other bytes");
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        return 0;
    });
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(events, (std::vector<std::string> { "writer created it, error 0",
                          "reader opened it, error " + std::to_string(ERROR_ALREADY_EXISTS), "reader sees the writer's bytes",
                          "reader ended with 0", "writer sees the reader's bytes" }));
}

}
