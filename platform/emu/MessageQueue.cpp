#include "platform/emu/MessageQueue.h"

#include <algorithm>

namespace emu {

void MessageQueue::pushSent(std::shared_ptr<SentMessage> message)
{
    m_sent.push_back(std::move(message));
}

std::shared_ptr<SentMessage> MessageQueue::popSent()
{
    if (m_sent.empty())
        return nullptr;
    auto message = std::move(m_sent.front());
    m_sent.pop_front();
    return message;
}

void MessageQueue::abandonSent()
{
    for (auto& message : m_sent)
        message->done = true;
    m_sent.clear();
}

void MessageQueue::post(const MSG& message)
{
    m_posted.push_back(message);
}

bool MessageQueue::matches(const MSG& message, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (hwnd && message.hwnd != hwnd)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message.message >= filterMin && message.message <= filterMax;
}

void MessageQueue::postFirst(const MSG& message)
{
    m_posted.push_front(message);
}

std::optional<MSG> MessageQueue::takePosted(HWND hwnd, UINT filterMin, UINT filterMax, bool remove)
{
    const auto it = std::find_if(m_posted.begin(), m_posted.end(),
        [&](const MSG& message) { return matches(message, hwnd, filterMin, filterMax); });
    if (it == m_posted.end())
        return std::nullopt;
    const MSG message = *it;
    if (remove)
        m_posted.erase(it);
    return message;
}

bool MessageQueue::hasPosted(HWND hwnd, UINT filterMin, UINT filterMax) const
{
    return std::any_of(m_posted.begin(), m_posted.end(),
        [&](const MSG& message) { return matches(message, hwnd, filterMin, filterMax); });
}

void MessageQueue::removeWindow(HWND hwnd)
{
    std::erase_if(m_posted, [&](const MSG& message) { return message.hwnd == hwnd; });
    std::erase_if(m_timers, [&](const Timer& timer) { return timer.hwnd == hwnd; });
}

void MessageQueue::postQuit(int exitCode)
{
    m_quit = exitCode;
}

void MessageQueue::setTimer(HWND hwnd, UINT_PTR id, UINT interval, TIMERPROC proc, std::uint64_t now)
{
    const Timer timer { hwnd, id, interval, now + interval, proc };
    const auto it = std::find_if(m_timers.begin(), m_timers.end(),
        [&](const Timer& existing) { return existing.hwnd == hwnd && existing.id == id; });
    if (it != m_timers.end())
        *it = timer;
    else
        m_timers.push_back(timer);
}

bool MessageQueue::killTimer(HWND hwnd, UINT_PTR id)
{
    // A message already queued stays; the programs drain it themselves where it matters.
    return std::erase_if(m_timers, [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; }) > 0;
}

void MessageQueue::queueDueTimers(std::uint64_t now, DWORD messageTime)
{
    // Due timers are queued in the order of their deadlines; a timer whose message is still waiting
    // is not queued twice, only rescheduled.
    std::vector<Timer*> due;
    for (Timer& timer : m_timers) {
        if (timer.due <= now)
            due.push_back(&timer);
    }
    std::stable_sort(due.begin(), due.end(), [](const Timer* a, const Timer* b) { return a->due < b->due; });
    for (Timer* timer : due) {
        const bool pending = std::any_of(m_posted.begin(), m_posted.end(), [&](const MSG& message) {
            return message.message == WM_TIMER && message.hwnd == timer->hwnd && message.wParam == timer->id;
        });
        if (!pending)
            m_posted.push_back(MSG { timer->hwnd, WM_TIMER, timer->id, reinterpret_cast<LPARAM>(timer->proc), messageTime, {} });
        timer->due = now + std::max<UINT>(timer->interval, 1);
    }
}

std::optional<std::uint64_t> MessageQueue::nextTimerDue() const
{
    std::optional<std::uint64_t> earliest;
    for (const Timer& timer : m_timers) {
        if (!earliest || timer.due < *earliest)
            earliest = timer.due;
    }
    return earliest;
}

}
