// ContactBook: how a program of the family reaches the contacts: the contact manager while it is
// connected, the program's place in the family's roster, and a cache of the contact records it read.
// The family's registered hand-over messages arrive here from the program's main window.
#pragma once

#include "vyx/contacts/CallerInfo.h"
#include "vyx/contacts/ContactListView.h"
#include "vyx/contacts/ContactManager.h"
#include "vyx/contacts/PimSyncMessages.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vyx {

class PimSync;

class ContactBook final : private ContactListView {
public:
    ContactBook();
    ~ContactBook() override;
    ContactBook(const ContactBook&) = delete;
    ContactBook& operator=(const ContactBook&) = delete;

    // Creates the contact manager and connects it; on failure nothing stays connected.
    bool Connect(HINSTANCE, PimSync* sync);
    void Disconnect();
    bool IsConnected() const { return m_manager != nullptr; }
    ContactManager* Manager() { return m_manager.get(); }

    // The caller look-up; nothing while not connected.
    int FindContactsByNumber(std::u16string_view number, std::size_t minimumDigits, DWORD timeBudgetMs,
                             std::vector<DWORD>& contacts, std::vector<std::u16string>& tails);
    bool LoadContact(DWORD contact, CallerInfo& record);
    // The contacts with a word beginning with each word of the text, in display order 0.
    std::vector<DWORD> SearchNames(std::u16string_view text);
    // The contact's record from the cache, read once; null when it cannot be loaded.
    const CallerInfo* CachedContact(DWORD contact);

    // The master writes the link type; a slave asks the master to.
    bool SetLinkType(DWORD contact, LONG value);

    // The five hand-over messages; false for any other message.
    bool HandleSyncMessage(const PimSyncMessages&, UINT message, WPARAM, LPARAM);

private:
    void UpdateBegins(bool many) override;
    void ContactRemoved(DWORD contact) override;
    void UpdateEnded() override;
    void Reset() override;

    PimSync* m_sync { nullptr };
    std::unique_ptr<ContactManager> m_manager;
    std::unordered_map<DWORD, CallerInfo> m_cache;
};

}
