// A thread's message queue: messages sent to it from other threads, posted messages, the quit
// request and the timers of its windows.
#pragma once

#include "platform/api/WinUser.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace emu {

class EmuThread;

struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result { 0 };
    bool done { false };
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    std::uint64_t due;
    TIMERPROC proc;
};

class MessageQueue {
public:
    // ---- Cross-thread sends waiting to be handled by this thread
    void pushSent(std::shared_ptr<SentMessage>);
    std::shared_ptr<SentMessage> popSent();
    bool hasSent() const { return !m_sent.empty(); }
    // Ends every pending send with result 0, when the thread ends.
    void abandonSent();

    // ---- Posted messages
    void post(const MSG&);
    // Queues a message to be taken before every other posted one (the character of a key).
    void postFirst(const MSG&);
    // Takes (or only reads, when `remove` is false) the first posted message for `hwnd` (null: any
    // window of the thread, and thread messages) within the filter range (0, 0: every message).
    std::optional<MSG> takePosted(HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
    bool hasPosted(HWND hwnd, UINT filterMin, UINT filterMax) const;
    void removeWindow(HWND);

    void postQuit(int exitCode);
    std::optional<int> quitRequest() const { return m_quit; }
    void clearQuit() { m_quit.reset(); }

    // ---- Timers; a due timer is queued as WM_TIMER, at most one pending per timer
    void setTimer(HWND, UINT_PTR id, UINT interval, TIMERPROC, std::uint64_t now);
    // An identifier for a timer without a window, unique within the thread.
    UINT_PTR newThreadTimerId() { return m_nextThreadTimerId++; }
    bool killTimer(HWND, UINT_PTR id);
    void queueDueTimers(std::uint64_t now, DWORD messageTime);
    std::optional<std::uint64_t> nextTimerDue() const;

private:
    static bool matches(const MSG&, HWND hwnd, UINT filterMin, UINT filterMax);

    std::deque<std::shared_ptr<SentMessage>> m_sent;
    std::deque<MSG> m_posted;
    std::optional<int> m_quit;
    std::vector<Timer> m_timers;
    UINT_PTR m_nextThreadTimerId { 0x7FFF0001 };
};

}
