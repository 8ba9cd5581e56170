// Threads on virtual time: the order threads run in, waits that time out, events, waits on several
// objects, mutexes handed over when their owner ends, and deadlocks reported instead of hung.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinBase.h"

#include <ostream>
#include <string>
#include <vector>

using testing_support::resultAt;
using testing_support::waitOutcome;
using testing_support::startThread;

namespace {

class WaitsTest : public testing_support::DeviceFixture { };

TEST_F(WaitsTest, ThreadsRunInTheOrderTheyBecomeReadyAndWakeAtTheirDeadlines)
{
    std::vector<std::string> events;
    runProgram([&] {
        HANDLE threads[3];
        for (int i = 0; i < 3; ++i) {
            threads[i] = startThread([&events, i] {
                events.push_back("start " + std::to_string(i));
                Sleep(static_cast<DWORD>(30 - 10 * i));
                events.push_back("woke " + std::to_string(i) + " at " + std::to_string(GetTickCount()));
                return DWORD { 0 };
            });
        }
        events.push_back("main waits");
        WaitForMultipleObjects(3, threads, TRUE, INFINITE);
        return 0;
    });
    EXPECT_EQ(events, (std::vector<std::string> { "main waits", "start 0", "start 1", "start 2", "woke 2 at 10", "woke 1 at 20",
                          "woke 0 at 30" }));
}

TEST_F(WaitsTest, WaitOnAnUnsignaledEventTimesOutAtItsVirtualDeadline)
{
    std::string outcome;
    runProgram([&] {
        const HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        const DWORD result = WaitForSingleObject(event, 5000);
        outcome = resultAt(result, GetTickCount());
        CloseHandle(event);
        return 0;
    });
    EXPECT_EQ(outcome, resultAt(WAIT_TIMEOUT, 5000));
    EXPECT_EQ(device->clock().now(), 5000u);
}

TEST_F(WaitsTest, WaitWithNoTimeOutOnAnUnsignaledEventReturnsAtOnce)
{
    std::string outcome;
    runProgram([&] {
        const HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        outcome = waitOutcome(event, 0);
        return 0;
    });
    EXPECT_EQ(outcome, resultAt(WAIT_TIMEOUT, 0));
}

// Two threads wait (up to 1000 ms) on one event; at tick 10 the main thread sets or pulses it, then
// looks at it with a zero wait, as a thread arriving after the change would.
struct EventCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const EventCase& tested, std::ostream* out) { *out << tested.name; }
    BOOL manualReset;
    bool pulse;
    std::vector<std::string> waiters;
    DWORD lateLook;
};

class EventWaitTest
    : public testing_support::DeviceFixture
    , public ::testing::WithParamInterface<EventCase> { };

TEST_P(EventWaitTest, ReleasesTheWaitersTheEventKindAllows)
{
    const EventCase& param = GetParam();
    std::vector<std::string> waiters(2);
    DWORD lateLook = 0;
    runProgram([&] {
        const HANDLE event = CreateEvent(nullptr, param.manualReset, FALSE, nullptr);
        HANDLE threads[2];
        for (int i = 0; i < 2; ++i) {
            threads[i] = startThread([&, i] {
                const DWORD result = WaitForSingleObject(event, 1000);
                waiters[i] = resultAt(result, GetTickCount());
                return DWORD { 0 };
            });
        }
        Sleep(10);
        if (param.pulse)
            PulseEvent(event);
        else
            SetEvent(event);
        lateLook = WaitForSingleObject(event, 0);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        return 0;
    });
    EXPECT_EQ(waiters, param.waiters);
    EXPECT_EQ(lateLook, param.lateLook);
}

const std::string releasedAt10 = resultAt(WAIT_OBJECT_0, 10);
const std::string timedOut = resultAt(WAIT_TIMEOUT, 1000);

INSTANTIATE_TEST_SUITE_P(EventKinds, EventWaitTest,
    ::testing::Values(EventCase { "AutoResetSetReleasesOneWaiter", FALSE, false, { releasedAt10, timedOut }, WAIT_TIMEOUT },
        EventCase { "ManualResetSetReleasesEveryWaiterAndStaysSet", TRUE, false, { releasedAt10, releasedAt10 }, WAIT_OBJECT_0 },
        EventCase { "AutoResetPulseReleasesOneWaiter", FALSE, true, { releasedAt10, timedOut }, WAIT_TIMEOUT },
        EventCase { "ManualResetPulseReleasesTheCurrentWaitersOnly", TRUE, true, { releasedAt10, releasedAt10 }, WAIT_TIMEOUT }),
    testing_support::caseName<EventCase>);

TEST_F(WaitsTest, WaitForAnyReturnsTheFirstSignaledObjectAndTakesOnlyThatOne)
{
    std::vector<DWORD> results;
    runProgram([&] {
        HANDLE events[3];
        for (HANDLE& event : events)
            event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        SetEvent(events[2]);
        SetEvent(events[1]);
        for (int i = 0; i < 3; ++i)
            results.push_back(WaitForMultipleObjects(3, events, FALSE, 0));
        return 0;
    });
    EXPECT_EQ(results, (std::vector<DWORD> { WAIT_OBJECT_0 + 1, WAIT_OBJECT_0 + 2, WAIT_TIMEOUT }));
}

TEST_F(WaitsTest, WaitForAnyWakesWhenOneOfTheObjectsIsSet)
{
    std::string outcome;
    runProgram([&] {
        HANDLE events[2] { CreateEvent(nullptr, FALSE, FALSE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr) };
        const HANDLE waiter = startThread([&] {
            const DWORD result = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            outcome = resultAt(result, GetTickCount());
            return DWORD { 0 };
        });
        Sleep(40);
        SetEvent(events[1]);
        WaitForSingleObject(waiter, INFINITE);
        return 0;
    });
    EXPECT_EQ(outcome, resultAt(WAIT_OBJECT_0 + 1, 40));
}

TEST_F(WaitsTest, WaitForAllReturnsOnceEveryObjectIsSignaledAndTakesThemTogether)
{
    std::string outcome;
    std::vector<DWORD> afterwards;
    runProgram([&] {
        HANDLE events[2] { CreateEvent(nullptr, FALSE, FALSE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr) };
        const HANDLE waiter = startThread([&] {
            const DWORD result = WaitForMultipleObjects(2, events, TRUE, 1000);
            outcome = resultAt(result, GetTickCount());
            return DWORD { 0 };
        });
        Sleep(10);
        // Only the first is set: the waiter must neither return nor take it.
        SetEvent(events[0]);
        Sleep(10);
        SetEvent(events[1]);
        WaitForSingleObject(waiter, INFINITE);
        afterwards = { WaitForSingleObject(events[0], 0), WaitForSingleObject(events[1], 0) };
        return 0;
    });
    EXPECT_EQ(outcome, resultAt(WAIT_OBJECT_0, 20));
    EXPECT_EQ(afterwards, (std::vector<DWORD> { WAIT_TIMEOUT, WAIT_TIMEOUT }));
}

TEST_F(WaitsTest, WaitForAllThatTimesOutLeavesTheSignaledObjectsAlone)
{
    std::string outcome;
    DWORD firstAfterwards = 0;
    runProgram([&] {
        HANDLE events[2] { CreateEvent(nullptr, FALSE, TRUE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr) };
        const DWORD result = WaitForMultipleObjects(2, events, TRUE, 100);
        outcome = resultAt(result, GetTickCount());
        firstAfterwards = WaitForSingleObject(events[0], 0);
        return 0;
    });
    EXPECT_EQ(outcome, resultAt(WAIT_TIMEOUT, 100));
    EXPECT_EQ(firstAfterwards, WAIT_OBJECT_0);
}

TEST_F(WaitsTest, MutexWhoseOwnerEndsGoesToTheNextWaiterAbandoned)
{
    std::vector<std::string> events;
    runProgram([&] {
        const HANDLE owned = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        const HANDLE owner = startThread([&] {
            CreateMutex(nullptr, TRUE, u"Korvane.Lock");
            events.push_back("owner created it, error " + std::to_string(GetLastError()));
            SetEvent(owned);
            Sleep(100);
            events.push_back("owner ends");
            return DWORD { 0 };
        });
        WaitForSingleObject(owned, INFINITE);
        HANDLE waiters[2];
        for (int i = 0; i < 2; ++i) {
            waiters[i] = startThread([&, i] {
                const HANDLE mutex = CreateMutex(nullptr, FALSE, u"Korvane.Lock");
                const DWORD error = GetLastError();
                const DWORD result = WaitForSingleObject(mutex, INFINITE);
                events.push_back("waiter " + std::to_string(i) + " opened it, error " + std::to_string(error) + ", got "
                    + resultAt(result, GetTickCount()));
                Sleep(50);
                events.push_back("waiter " + std::to_string(i) + " releases: " + std::to_string(ReleaseMutex(mutex)));
                CloseHandle(mutex);
                return DWORD { 0 };
            });
        }
        WaitForMultipleObjects(2, waiters, TRUE, INFINITE);
        WaitForSingleObject(owner, INFINITE);
        return 0;
    });
    EXPECT_EQ(events, (std::vector<std::string> {
                          "owner created it, error 0",
                          "owner ends",
                          "waiter 0 opened it, error " + std::to_string(ERROR_ALREADY_EXISTS) + ", got " + resultAt(WAIT_ABANDONED, 100),
                          "waiter 0 releases: 1",
                          "waiter 1 opened it, error " + std::to_string(ERROR_ALREADY_EXISTS) + ", got " + resultAt(WAIT_OBJECT_0, 150),
                          "waiter 1 releases: 1",
                      }));
}

TEST_F(WaitsTest, MutexIsTakenRecursivelyByItsOwnerAndReleasedAsOftenAsTaken)
{
    std::vector<std::string> events;
    runProgram([&] {
        const HANDLE mutex = CreateMutex(nullptr, TRUE, nullptr);
        WaitForSingleObject(mutex, INFINITE);
        const HANDLE other = startThread([&] {
            events.push_back("other got " + waitOutcome(mutex, INFINITE));
            ReleaseMutex(mutex);
            return DWORD { 0 };
        });
        Sleep(10);
        ReleaseMutex(mutex);
        Sleep(10);
        events.push_back("owner released once");
        ReleaseMutex(mutex);
        const BOOL third = ReleaseMutex(mutex);
        events.push_back("owner released twice; a third release gives " + std::to_string(third) + ", error "
            + std::to_string(GetLastError()));
        WaitForSingleObject(other, INFINITE);
        return 0;
    });
    EXPECT_EQ(events, (std::vector<std::string> { "owner released once", "owner released twice; a third release gives 0, error " + std::to_string(ERROR_NOT_OWNER),
                          "other got " + resultAt(WAIT_OBJECT_0, 20) }));
}

TEST_F(WaitsTest, ThreadsWaitingForEachOtherAreReportedAsDeadlockNamingWhatEachWaitsFor)
{
    DWORD firstId = 0;
    DWORD secondId = 0;
    const auto process = start(u"stuck", [&] {
        const HANDLE first = CreateEvent(nullptr, FALSE, FALSE, u"First");
        const HANDLE second = CreateEvent(nullptr, FALSE, FALSE, u"Second");
        HANDLE threads[2];
        // Each would set the other's event after its own wait, so neither ever gets there.
        threads[0] = startThread([=] { WaitForSingleObject(second, INFINITE); SetEvent(first); return DWORD { 0 }; }, &firstId);
        threads[1] = startThread([=] { WaitForSingleObject(first, INFINITE); SetEvent(second); return DWORD { 0 }; }, &secondId);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
        return 0;
    });

    ASSERT_EQ(device->runUntil([&] { return process->finished(); }, std::nullopt), emu::RunOutcome::Deadlock);
    const std::string report = device->deadlockReport();
    const std::string pid = std::to_string(process->id());
    EXPECT_NE(report.find("thread " + std::to_string(firstId) + " of stuck pid " + pid + " waits for WaitForSingleObject(event \"Second\")"),
        std::string::npos)
        << report;
    EXPECT_NE(report.find("thread " + std::to_string(secondId) + " of stuck pid " + pid + " waits for WaitForSingleObject(event \"First\")"),
        std::string::npos)
        << report;
    EXPECT_EQ(device->clock().now(), 0u);

    // With a limit the same device runs out of time instead, at the limit.
    EXPECT_EQ(device->runUntil([&] { return process->finished(); }, 2000), emu::RunOutcome::TimeLimit);
    EXPECT_EQ(device->clock().now(), 2000u);
}

}
