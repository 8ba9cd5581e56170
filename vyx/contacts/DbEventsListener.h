// DbEventsListener: the hidden window the contacts database reports its changes to, and the owner
// of the save timer that writes both store files two seconds after the last batch.
#pragma once

#include "vyx/contacts/HiddenWindow.h"

namespace vyx {

class ContactManager;

class DbEventsListener final : public HiddenWindow {
public:
    static constexpr LPCWSTR className = u"DB_EVENTS_LISTENER_CLS";
    static constexpr UINT_PTR saveTimer = 1;
    static constexpr UINT saveDelayMs = 2000;

    explicit DbEventsListener(ContactManager&);

    // Sets the save timer afresh, dropping one already pending.
    void StartSaveTimer();
    bool IsSavePending() const { return m_savePending; }
    // Forgets the pending save and reports whether there was one.
    bool TakePendingSave();

private:
    bool Handle(UINT message, WPARAM, LPARAM) override;

    ContactManager& m_manager;
    bool m_savePending { false };
};

}
