#include "vyx/contacts/ChangeQueue.h"

#include "vyx/contacts/ContactManager.h"

#include <utility>

namespace vyx {

ChangeQueue::ChangeQueue(ContactManager& manager)
    : m_manager(manager)
{
}

void ChangeQueue::Push(const Change& change)
{
    m_changes.push_back(change);
    StartTimer(timer, m_changes.size() > longBurst ? longDelayMs : shortDelayMs);
}

void ChangeQueue::Wake()
{
    StartTimer(timer, shortDelayMs);
}

std::vector<ChangeQueue::Change> ChangeQueue::Take()
{
    StopTimer(timer);
    return std::exchange(m_changes, {});
}

bool ChangeQueue::Handle(UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_TIMER || wParam != timer)
        return false;
    m_manager.ProcessQueue();
    return true;
}

}
