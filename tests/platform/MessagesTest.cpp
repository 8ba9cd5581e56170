// Message queues: the order messages come in, SendMessage between threads, and timers on virtual time.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"

#include <string>
#include <vector>

using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;
using testing_support::startThread;

namespace {

class MessagesTest : public testing_support::DeviceFixture { };

TEST_F(MessagesTest, QueueGivesSentThenPostedInOrderThenQuitThenPaint)
{
    std::vector<std::string> seen;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler record = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_PAINT)
                seen.push_back("paint");
            else if (message == WM_USER)
                seen.push_back("sent " + std::to_string(wParam));
            else if (message == WM_USER + 1)
                seen.push_back("posted " + std::to_string(wParam));
            return std::nullopt;
        };
        // Visible, so that it needs painting from the start.
        const HWND window = createScriptedWindow(record, { .style = WS_POPUP | WS_VISIBLE });
        const HANDLE sender = startThread([window] { return static_cast<DWORD>(SendMessage(window, WM_USER, 9, 0)); });
        for (WPARAM i = 1; i <= 3; ++i)
            PostMessage(window, WM_USER + 1, i, 0);
        PostQuitMessage(5);
        // The other thread's send arrives while this one sleeps; Sleep handles no messages.
        Sleep(10);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                seen.push_back("quit " + std::to_string(msg.wParam));
            DispatchMessage(&msg);
        }
        WaitForSingleObject(sender, INFINITE);
        return 0;
    });
    EXPECT_EQ(seen, (std::vector<std::string> { "sent 9", "posted 1", "posted 2", "posted 3", "quit 5", "paint" }));
}

TEST_F(MessagesTest, GetMessageHandlesSentMessagesWithoutReturningThem)
{
    std::vector<std::string> seen;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler record = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_USER) {
                seen.push_back("handled " + std::to_string(wParam) + " at " + std::to_string(GetTickCount()));
                return static_cast<LRESULT>(wParam + 1);
            }
            return std::nullopt;
        };
        const HWND window = createScriptedWindow(record, {});
        startThread([&, window] {
            Sleep(30);
            seen.push_back("send returned " + std::to_string(SendMessage(window, WM_USER, 41, 0)));
            Sleep(30);
            PostMessage(window, WM_USER + 1, 0, 0);
            return DWORD { 0 };
        });
        MSG msg;
        GetMessage(&msg, nullptr, 0, 0);
        seen.push_back("GetMessage returned " + std::to_string(msg.message - WM_USER) + " at " + std::to_string(GetTickCount()));
        return 0;
    });
    EXPECT_EQ(seen, (std::vector<std::string> { "handled 41 at 30", "send returned 42", "GetMessage returned 1 at 60" }));
}

TEST_F(MessagesTest, CrossThreadSendWaitsForTheReceiverAndServesSendsBackMeanwhile)
{
    LRESULT result = 0;
    DWORD returnedAt = 0;
    DWORD mainThread = 0;
    std::vector<DWORD> threadsHandlingA;
    runProgram([&] {
        mainThread = GetCurrentThreadId();
        registerScriptedClass();
        MessageHandler onA = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_USER)
                return std::nullopt;
            threadsHandlingA.push_back(GetCurrentThreadId());
            return static_cast<LRESULT>(wParam * 2);
        };
        HWND windowA = createScriptedWindow(onA, {});
        HWND windowB = nullptr;
        MessageHandler onB = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_DESTROY)
                PostQuitMessage(0);
            if (message != WM_USER + 1)
                return std::nullopt;
            // Sends back to the window of the thread that is waiting for this very message.
            return SendMessage(windowA, WM_USER, wParam + 1, 0) + 1000;
        };
        const HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        const HANDLE other = startThread([&] {
            windowB = createScriptedWindow(onB, {});
            SetEvent(ready);
            // Busy for a while before it looks at its queue.
            Sleep(500);
            return static_cast<DWORD>(runMessageLoop());
        });
        WaitForSingleObject(ready, INFINITE);
        result = SendMessage(windowB, WM_USER + 1, 5, 0);
        returnedAt = GetTickCount();
        PostMessage(windowB, WM_CLOSE, 0, 0);
        WaitForSingleObject(other, INFINITE);
        return 0;
    });
    EXPECT_EQ(result, 1012);
    EXPECT_EQ(returnedAt, 500u);
    EXPECT_EQ(threadsHandlingA, std::vector<DWORD> { mainThread });
}

TEST_F(MessagesTest, SendToAWindowWhoseThreadEndsReturnsInsteadOfWaitingForever)
{
    std::string outcome;
    runProgram([&] {
        registerScriptedClass();
        HWND window = nullptr;
        MessageHandler none;
        const HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
        startThread([&] {
            window = createScriptedWindow(none, {});
            SetEvent(ready);
            // Ends after a while without ever looking at its queue.
            Sleep(200);
            return DWORD { 0 };
        });
        WaitForSingleObject(ready, INFINITE);
        const LRESULT result = SendMessage(window, WM_USER, 0, 0);
        outcome = std::to_string(result) + " at " + std::to_string(GetTickCount()) + ", window left: " + std::to_string(IsWindow(window));
        return 0;
    });
    EXPECT_EQ(outcome, "0 at 200, window left: 0");
}

TEST_F(MessagesTest, TimerFiresAtItsVirtualDeadlinesUntilKilled)
{
    std::vector<DWORD> firstTimer;
    DWORD secondTimer = 0;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler onTimer = [&](HWND hwnd, UINT message, WPARAM id, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_TIMER)
                return std::nullopt;
            if (id == 1) {
                firstTimer.push_back(GetTickCount());
                if (firstTimer.size() == 3) {
                    KillTimer(hwnd, 1);
                    SetTimer(hwnd, 2, 1000, nullptr);
                }
            } else if (id == 2) {
                secondTimer = GetTickCount();
                KillTimer(hwnd, 2);
                PostQuitMessage(0);
            }
            return 0;
        };
        const HWND window = createScriptedWindow(onTimer, {});
        SetTimer(window, 1, 100, nullptr);
        return runMessageLoop();
    });
    EXPECT_EQ(firstTimer, (std::vector<DWORD> { 100, 200, 300 }));
    EXPECT_EQ(secondTimer, 1300u);
}

TEST_F(MessagesTest, DriverRunningForAWhileSeesTheTimersThatFellDueInIt)
{
    std::vector<DWORD> ticks;
    MessageHandler onTimer = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_TIMER)
            return std::nullopt;
        ticks.push_back(GetTickCount());
        return 0;
    };
    const auto process = start(u"ticker", [&] {
        registerScriptedClass();
        SetTimer(createScriptedWindow(onTimer, {}), 1, 100, nullptr);
        return runMessageLoop();
    });
    device->runFor(250);
    EXPECT_EQ(ticks, (std::vector<DWORD> { 100, 200 }));
    EXPECT_EQ(device->clock().now(), 250u);
    device->runFor(100);
    EXPECT_EQ(ticks, (std::vector<DWORD> { 100, 200, 300 }));
    EXPECT_EQ(device->clock().now(), 350u);
    EXPECT_FALSE(process->finished());
}

TEST_F(MessagesTest, TimerOfAThreadBusyForSeveralPeriodsComesOnce)
{
    std::vector<DWORD> timers;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND window = createScriptedWindow(none, {});
        SetTimer(window, 1, 100, nullptr);
        Sleep(350);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER)
                timers.push_back(GetTickCount());
        }
        return 0;
    });
    EXPECT_EQ(timers, std::vector<DWORD> { 350 });
}

TEST_F(MessagesTest, PeekMessageWithTheTimerFilterDrainsOneWindowsQueuedTimer)
{
    std::vector<std::string> drained;
    std::vector<std::string> left;
    std::vector<std::string> later;
    runProgram([&] {
        registerScriptedClass();
        MessageHandler none;
        const HWND first = createScriptedWindow(none, {});
        const HWND second = createScriptedWindow(none, {});
        SetTimer(first, 1, 100, nullptr);
        SetTimer(second, 1, 100, nullptr);
        PostMessage(first, WM_USER, 0, 0);
        Sleep(150);
        auto describe = [&](const MSG& msg) {
            return std::string(msg.hwnd == first ? "first " : "second ") + (msg.message == WM_TIMER ? "timer" : "user");
        };
        MSG msg;
        while (PeekMessage(&msg, first, WM_TIMER, WM_TIMER, PM_REMOVE))
            drained.push_back(describe(msg));
        KillTimer(first, 1);
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            left.push_back(describe(msg));
        Sleep(1000);
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            later.push_back(describe(msg));
        return 0;
    });
    EXPECT_EQ(drained, std::vector<std::string> { "first timer" });
    EXPECT_EQ(left, (std::vector<std::string> { "first user", "second timer" }));
    EXPECT_EQ(later, std::vector<std::string> { "second timer" });
}

TEST_F(MessagesTest, TimersWithoutAWindowSetInTheSameTickAreSeparateTimers)
{
    std::vector<std::string> fired;
    UINT_PTR first = 0;
    UINT_PTR second = 0;
    runProgram([&] {
        first = SetTimer(nullptr, 0, 100, nullptr);
        second = SetTimer(nullptr, 0, 250, nullptr);
        MSG msg;
        while (fired.size() < 3 && GetMessage(&msg, nullptr, 0, 0)) {
            if (msg.message == WM_TIMER && msg.hwnd == nullptr)
                fired.push_back(std::string(msg.wParam == first ? "first" : msg.wParam == second ? "second" : "unknown") + " at "
                    + std::to_string(GetTickCount()));
        }
        KillTimer(nullptr, first);
        KillTimer(nullptr, second);
        return 0;
    });
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(fired, (std::vector<std::string> { "first at 100", "first at 200", "second at 250" }));
}

}
