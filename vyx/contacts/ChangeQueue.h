// ChangeQueue: the database changes the master has heard of and not yet applied, held by a hidden
// window whose timer applies them together once a burst has ended.
#pragma once

#include "platform/api/WinDb.h"
#include "vyx/contacts/HiddenWindow.h"

#include <vector>

namespace vyx {

class ContactManager;

class ChangeQueue final : public HiddenWindow {
public:
    static constexpr LPCWSTR className = u"DB_MSG_STACK_WND_CLS";
    static constexpr UINT_PTR timer = 1;
    // A burst longer than this waits longer, and is applied by a rebuild.
    static constexpr std::size_t longBurst = 14;
    static constexpr UINT shortDelayMs = 1000;
    static constexpr UINT longDelayMs = 4000;

    enum class Kind : DWORD { Created = 1, Deleted = 2, Changed = 3 };
    struct Change {
        Kind kind;
        CEOID database;
        CEOID record;
    };

    explicit ChangeQueue(ContactManager&);

    bool IsEmpty() const { return m_changes.empty(); }
    std::size_t Size() const { return m_changes.size(); }
    // Appends the change and waits again: 1 s after it, or 4 s once the burst is long.
    void Push(const Change&);
    // Stops the timer and hands over the queued changes, leaving the queue empty.
    std::vector<Change> Take();
    // Applies the queue soon even if it holds nothing, as when a rebuild was asked for.
    void Wake();

private:
    bool Handle(UINT message, WPARAM, LPARAM) override;

    ContactManager& m_manager;
    std::vector<Change> m_changes;
};

}
