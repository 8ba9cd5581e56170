#include "platform/emu/Scheduler.h"

#include "platform/emu/EmuThread.h"
#include "platform/emu/VirtualClock.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace emu {

Scheduler::Scheduler(VirtualClock& clock)
    : m_clock(clock)
{
}

WakeReason Scheduler::block(WaitRequest&& request)
{
    EmuThread& self = *currentThread();
    resumeChecks(self);
    if (request.tryComplete && request.tryComplete())
        return WakeReason::Completed;
    if (request.deadline && *request.deadline <= m_clock.now())
        return WakeReason::TimedOut;

    std::unique_lock lock(m_mutex);
    self.m_wait = &request;
    self.m_state = EmuThread::State::Blocked;
    m_blocked.push_back(&self);
    switchAwayLocked(self, lock);
    self.m_wait = nullptr;
    lock.unlock();
    resumeChecks(self);
    return self.m_wakeReason;
}

void Scheduler::yield()
{
    EmuThread& self = *currentThread();
    std::unique_lock lock(m_mutex);
    self.m_state = EmuThread::State::Ready;
    m_ready.push_back(&self);
    switchAwayLocked(self, lock);
    lock.unlock();
    resumeChecks(self);
}

// A thread being ended stops wherever it blocks; one already unwinding finds its waits ended at once.
void Scheduler::resumeChecks(EmuThread& self)
{
    if (self.m_terminateRequested && std::uncaught_exceptions() == 0)
        self.endTerminated();
}

void Scheduler::wakeWaiters()
{
    std::lock_guard lock(m_mutex);
    wakeWaitersLocked();
}

void Scheduler::wakeWaitersLocked()
{
    // Waits are re-evaluated in the order the threads blocked, so that the first waiter takes an object.
    for (auto it = m_blocked.begin(); it != m_blocked.end();) {
        EmuThread& thread = **it;
        std::optional<WakeReason> reason;
        if (thread.m_terminateRequested)
            reason = WakeReason::TimedOut;
        else if (thread.m_wait->tryComplete && thread.m_wait->tryComplete())
            reason = WakeReason::Completed;
        else if (thread.m_wait->deadline && *thread.m_wait->deadline <= m_clock.now())
            reason = WakeReason::TimedOut;
        if (!reason) {
            ++it;
            continue;
        }
        thread.m_wakeReason = *reason;
        thread.m_state = EmuThread::State::Ready;
        m_ready.push_back(&thread);
        it = m_blocked.erase(it);
    }
}

void Scheduler::dispatchNextLocked()
{
    wakeWaitersLocked();
    if (m_ready.empty()) {
        m_running = nullptr;
        m_driverWake.notify_one();
        return;
    }
    EmuThread* next = m_ready.front();
    m_ready.pop_front();
    next->m_state = EmuThread::State::Running;
    m_running = next;
    next->m_wake.notify_one();
}

void Scheduler::switchAwayLocked(EmuThread& self, std::unique_lock<std::mutex>& lock)
{
    dispatchNextLocked();
    self.m_wake.wait(lock, [&] { return m_running == &self; });
}

void Scheduler::makeReady(EmuThread& thread)
{
    std::lock_guard lock(m_mutex);
    thread.m_state = EmuThread::State::Ready;
    m_ready.push_back(&thread);
}

void Scheduler::waitForFirstTurn(EmuThread& thread)
{
    std::unique_lock lock(m_mutex);
    thread.m_wake.wait(lock, [&] { return m_running == &thread; });
}

void Scheduler::finishCurrent(EmuThread& thread)
{
    std::unique_lock lock(m_mutex);
    thread.m_state = EmuThread::State::Finished;
    dispatchNextLocked();
}

void Scheduler::requestTerminate(EmuThread& thread)
{
    std::lock_guard lock(m_mutex);
    if (thread.m_state == EmuThread::State::Finished)
        return;
    thread.m_terminateRequested = true;
    if (thread.m_state == EmuThread::State::Blocked)
        wakeWaitersLocked();
}

void Scheduler::runUntilIdle()
{
    std::unique_lock lock(m_mutex);
    if (m_running)
        throw std::logic_error("the device is driven from inside one of its own threads");
    wakeWaitersLocked();
    while (!m_ready.empty()) {
        dispatchNextLocked();
        m_driverWake.wait(lock, [&] { return m_running == nullptr; });
    }
}

std::optional<std::uint64_t> Scheduler::nextDeadline() const
{
    std::lock_guard lock(m_mutex);
    std::optional<std::uint64_t> earliest;
    for (const EmuThread* thread : m_blocked) {
        const auto& deadline = thread->m_wait->deadline;
        if (deadline && (!earliest || *deadline < *earliest))
            earliest = deadline;
    }
    return earliest;
}

void Scheduler::advanceClockTo(std::uint64_t tick)
{
    std::lock_guard lock(m_mutex);
    m_clock.advanceTo(tick);
}

std::vector<std::string> Scheduler::describeBlocked() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines;
    for (const EmuThread* thread : m_blocked)
        lines.push_back(thread->describe() + " waits for " + thread->m_wait->what);
    return lines;
}

bool Scheduler::hasBlockedThreads() const
{
    std::lock_guard lock(m_mutex);
    return !m_blocked.empty();
}

}
