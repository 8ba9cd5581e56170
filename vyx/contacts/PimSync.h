// PimSync: the roster of the family's programs that share the contact index. Ten 32-bit window
// handles in a named 40-byte region, packed at the front, the first being the master's window; a
// named mutex guards every look at it. The registered messages hand mastership over and make the
// slaves stop and reload while the master rebuilds. Any program may have written anything into the
// region, so its entries are only ever tested with IsWindow and sent or posted to.
#pragma once

#include "platform/api/WinTypes.h"
#include "vyx/contacts/PimSyncMessages.h"

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

namespace vyx {

class PimSync {
public:
    static constexpr const char16_t* rosterName = u"450DC470-F520-401d-8A4B-F51506298DBE";
    static constexpr const char16_t* lockName = u"9694E7F0-1902-4855-AA4D-F879CF68BE6A";
    static constexpr std::size_t capacity = 10;
    static constexpr DWORD rosterBytes = capacity * sizeof(DWORD);

    explicit PimSync(const PimSyncMessages& messages);
    ~PimSync();
    PimSync(const PimSync&) = delete;
    PimSync& operator=(const PimSync&) = delete;

    // Creates or opens the lock and the roster region and maps it; false, and nothing held, on failure.
    bool Open();
    void Close();
    bool IsOpen() const { return m_view != nullptr; }

    // Cleanup, then the window takes the first free entry (its own entry when it has one already);
    // the program is master when that is entry 0. A full roster, a closed one and a handle that is no
    // window refuse it.
    bool Register(HWND window);
    // Cleanup, then the window leaves and the later entries move forward; when it was the master's and
    // windows remain, the first of them is made master.
    void Unregister(HWND window);
    // This program's window swaps places with the master's and takes over.
    void MakeMaster(HWND window);
    // Removes the entries whose window no longer exists; a changed first entry is made master.
    void Cleanup();
    // SlaveStop, sent to every window after the first in roster order.
    void StopSlaves();
    // SlaveReload, posted to every window after the first.
    void ReloadSlaves();

    bool IsMaster() const { return m_master; }
    void SetMaster(bool master) { m_master = master; }

    // A slave's change of a contact's link type, sent on to the master's window.
    void ForwardLinkType(DWORD contact, LONG value);

    // The used entries as windows, master first.
    std::vector<HWND> Windows() const;

private:
    using Entries = std::array<DWORD, capacity>;

    bool Lock() const;
    void Unlock() const;
    // Reads the roster, lets `change` work on the copy and writes it back, all under the lock; false
    // (and `change` not run) when the roster is closed or the lock cannot be taken.
    bool Update(const std::function<void(Entries&)>& change);
    // A copy of the roster taken under the lock; all free when it cannot be read.
    Entries Snapshot() const;
    // The messages that make `roster`'s first window master: SlaveStop sent to the others, ChangeToMaster
    // sent to it, SlaveReload posted to the others.
    void HandOver(const Entries& roster) const;

    const PimSyncMessages m_messages;
    HANDLE m_lock { nullptr };
    HANDLE m_mapping { nullptr };
    BYTE* m_view { nullptr };
    bool m_master { false };
};

}
