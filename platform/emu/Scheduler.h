// Runs the device's emulated threads one at a time on virtual time.
// Every emulated thread is a host thread, but only the one the scheduler has chosen runs; the others
// wait on their own condition variable. A thread gives the device back only where it blocks, yields
// or ends; the next ready thread (first ready, first run) or the driver then takes over.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace emu {

class EmuThread;
class VirtualClock;

struct WaitRequest {
    // Called whenever the device state may have changed; returns true once the wait is over, having
    // taken what the thread waits for (an auto-reset event, a mutex).
    std::function<bool()> tryComplete;
    std::optional<std::uint64_t> deadline;
    std::string what;
};

enum class WakeReason { Completed, TimedOut };


class Scheduler {
public:
    explicit Scheduler(VirtualClock&);

    // ---- Called on the running emulated thread
    WakeReason block(WaitRequest&&);
    void yield();
    // Re-evaluates blocked threads after a state change; those whose wait is over become ready.
    void wakeWaiters();

    // ---- Thread life
    void makeReady(EmuThread&);
    void waitForFirstTurn(EmuThread&);
    void finishCurrent(EmuThread&);
    // Ends a thread from outside: a blocked thread is woken to unwind.
    void requestTerminate(EmuThread&);

    // ---- Called by the driver while no emulated thread runs
    void runUntilIdle();
    std::optional<std::uint64_t> nextDeadline() const;
    void advanceClockTo(std::uint64_t tick);
    // One line per blocked thread: which thread and what it waits for.
    std::vector<std::string> describeBlocked() const;
    bool hasBlockedThreads() const;

private:
    void wakeWaitersLocked();
    void dispatchNextLocked();
    void switchAwayLocked(EmuThread& self, std::unique_lock<std::mutex>&);
    void resumeChecks(EmuThread& self);

    VirtualClock& m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_driverWake;
    EmuThread* m_running { nullptr };
    std::deque<EmuThread*> m_ready;
    std::vector<EmuThread*> m_blocked;
};

}
