#include "vyx/contacts/DbEventsListener.h"

#include "platform/api/WinDb.h"
#include "vyx/contacts/ContactManager.h"

#include <utility>

namespace vyx {

DbEventsListener::DbEventsListener(ContactManager& manager)
    : m_manager(manager)
{
}

void DbEventsListener::StartSaveTimer()
{
    StopTimer(saveTimer);
    StartTimer(saveTimer, saveDelayMs);
    m_savePending = true;
}

bool DbEventsListener::TakePendingSave()
{
    if (m_savePending)
        StopTimer(saveTimer);
    return std::exchange(m_savePending, false);
}

bool DbEventsListener::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DBNOTIFICATION:
        m_manager.OnDatabaseNotification(reinterpret_cast<CENOTIFICATION*>(lParam));
        return true;
    case WM_TIMER:
        if (wParam != saveTimer)
            return false;
        TakePendingSave();
        m_manager.SaveNow();
        return true;
    default:
        return false;
    }
}

}
