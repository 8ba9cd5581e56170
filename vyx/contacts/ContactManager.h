// ContactManager: keeps the contact index and the property store in step with the contacts database.
// At connect it checks the stores and rebuilds or reconciles them when this program is the master;
// afterwards the master applies the database's change notifications in batches and saves both files
// in the background. A slave only reads the stores the master keeps.
#pragma once

#include "platform/api/WinDb.h"
#include "vyx/contacts/CallerLookup.h"
#include "vyx/contacts/ChangeQueue.h"
#include "vyx/contacts/DbEventsListener.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/PimDatabase.h"
#include "vyx/contacts/PropsStore.h"
#include "vyx/contacts/StoreCheck.h"
#include "vyx/keypad/KeypadAlphabet.h"

#include <memory>
#include <optional>
#include <vector>

namespace vyx {

class ContactListView;
class PimSync;

class ContactManager {
public:
    static constexpr LPCWSTR contactsDatabase = u"Contacts Database";
    // More vanished contacts, or more differences in all, are cheaper to rebuild than to apply.
    static constexpr std::size_t reconcileDeletedLimit = 10;
    static constexpr std::size_t reconcileChangeLimit = 10;

    // `sync`: the program's place among the family (none: the program works alone, as its own master);
    // `listView`: told of the changes applied, when the program shows contacts.
    ContactManager(PimSync* sync, ContactListView* listView);
    ~ContactManager();
    ContactManager(const ContactManager&) = delete;
    ContactManager& operator=(const ContactManager&) = delete;

    // Opens the database with its notifications and the stores, bringing them up to date when this
    // program is the master. False when something cannot be opened, or a slave finds no stores.
    bool Connect(HINSTANCE);
    // Applies the changes heard and saves what is pending (as a hand-over does), closes everything and
    // destroys the windows.
    void Disconnect();
    bool IsConnected() const { return m_connected; }

    // Checks the stores again after this program became the master.
    void BecomeMaster();
    // Before another program takes over: what was heard is applied and the files written now, as the
    // new master hears nothing of it.
    void HandOver();
    // A slave lets go of the stores while the master rebuilds them, and opens them again afterwards.
    void CloseStores();
    bool ReopenStores();

    // Builds both stores afresh from every contact of the database.
    bool Rebuild();
    // Applies the differences between the database and the stores, or rebuilds when they are many.
    bool Reconcile();

    // The listener window's notifications and timers.
    void OnDatabaseNotification(CENOTIFICATION*);
    void ProcessQueue();
    void SaveNow();

    // Single-record changes, each marking the property store busy while it lasts.
    void AddContact(DWORD contact);
    void UpdateContact(DWORD contact);
    void RemoveContact(DWORD contact);

    // Writes the contact's link type (0 removes it) to the database and saves the stores soon.
    bool WriteLinkType(DWORD contact, LONG value);

    bool IsMaster() const;
    CallerLookup& Lookup() { return *m_lookup; }
    IndexStore& Index() { return m_index; }
    PropsStore& Props() { return m_props; }
    PimDatabase& Contacts() { return m_contacts; }
    std::size_t QueuedChanges() const { return m_queue.Size(); }
    bool IsSavePending() const { return m_listener.IsSavePending(); }

private:
    // A contact read for indexing: its record, the visible text of its notes.
    struct ReadRecord;
    std::optional<ReadRecord> ReadForIndex(DWORD contact);
    IndexedContact WordsOf(const ReadRecord&) const;
    // Writes the contact into the property store and the index; false when the index refused it.
    bool EnterRecord(ReadRecord&, std::optional<DWORD> existingProps);
    void ReportIndexFailure(DWORD contact);
    void ApplyAdd(DWORD contact);
    void ApplyUpdate(DWORD contact);
    void ApplyRemove(DWORD contact);
    // Runs a change with the property store marked busy, and notes the database's time after it.
    template<typename Change>
    void Busy(Change change);
    void QueueChange(ChangeQueue::Kind, CEOID database, CEOID record);
    void StoreVolumeTime();
    void StartSaveTimer() { m_listener.StartSaveTimer(); }
    void CancelSaves();
    void StopSlaves();
    void ReloadSlaves();
    bool RebuildFramed();

    PimSync* m_sync;
    ContactListView* m_listView;
    keypad::KeypadAlphabet m_alphabet;
    PimDatabase m_contacts;
    IndexStore m_index;
    PropsStore m_props;
    std::unique_ptr<CallerLookup> m_lookup;
    DbEventsListener m_listener;
    ChangeQueue m_queue;
    bool m_connected { false };
    // Set when a change could not be entered: the next queue run rebuilds.
    bool m_rebuildWanted { false };
};

}
