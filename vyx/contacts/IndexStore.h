// IndexStore: the contact index "\\pim_index1.dat", shared by every program of the family through its
// mapped region. It answers which contacts have words beginning with a text (their number keys
// included, which is how callers are found), which have keypad keys beginning with a key, and lists
// the contacts in two display orders; it maps each contact to its record in the property store.
// Only the master program changes it; the others read it in place.
//
// When the store cannot get memory for a change, the change is undone, the store is marked untrusted
// (in memory and by the settings value named after the file, so that the next start rebuilds it) and
// it goes on answering from what it holds.
#pragma once

#include "platform/api/WinTypes.h"
#include "vyx/contacts/ContactKeySearch.h"
#include "vyx/contacts/ContactTable.h"
#include "vyx/contacts/IndexLayout.h"
#include "vyx/contacts/IndexedContact.h"
#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/OrderList.h"
#include "vyx/contacts/SortTextReader.h"
#include "vyx/contacts/StoreHeap.h"
#include "vyx/contacts/WordTree.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace vyx {

class IndexStore final : public ContactKeySearch {
public:
    static constexpr const char16_t* defaultPath = u"\\pim_index1.dat";
    static constexpr int orderCount = 2;

    explicit IndexStore(std::u16string_view path = defaultPath);

    // A new, empty store, replacing what the region held.
    bool Create(DWORD size = IndexLayout::indexCreateSize);
    // The region another program holds, or else the file; fails on an invalid file or header.
    bool Open();
    void Close();
    bool IsOpen() const { return m_store.IsOpen(); }
    // Set once a change failed for want of memory: the index no longer holds every contact it should.
    bool IsUntrusted() const { return m_store.IsUntrusted(); }

    // Enters the contact's words and keys, lists it in the contact table and both display orders. A
    // contact already indexed is replaced. False when the contact's own record cannot be read or memory
    // ran out; the index is then as before.
    bool AddContact(const IndexedContact& contact, SortTextReader& sortTexts);
    // Enters the contacts of a new, empty store at once: their words, keys and table entries one by
    // one, then each display order sorted in memory. Returns how many were entered; contacts listed
    // twice, or for which memory ran out, are left out.
    std::size_t Fill(const std::vector<IndexedContact>& contacts, SortTextReader& sortTexts);
    void RemoveContact(DWORD contact);
    bool UpdateContact(const IndexedContact& contact, SortTextReader& sortTexts);
    DWORD ContactCount() const { return m_table.Count(); }
    // The contact's property store offset; nullopt when it is not indexed.
    std::optional<DWORD> PropsOffsetOf(DWORD contact) const;

    // Contacts with a word beginning with each word of the text, in display order `order`.
    std::vector<DWORD> SearchWords(std::u16string_view text, int order) const;
    // The same contacts in ascending identifier order.
    std::vector<DWORD> SearchWordsRaw(std::u16string_view text) const;
    // Only those among `contacts`.
    std::vector<DWORD> SearchWordsWithin(std::u16string_view text, const std::vector<DWORD>& contacts, int order) const;
    // The same over the keypad keys; the key is one word, searched as a prefix.
    std::vector<DWORD> SearchKeys(std::u16string_view key, int order) const;
    std::vector<DWORD> SearchKeysRaw(std::u16string_view key) const;
    std::vector<DWORD> SearchKeysWithin(std::u16string_view key, const std::vector<DWORD>& contacts, int order) const;
    // Display order `order`; empty for an order the store does not keep.
    std::vector<DWORD> AllInOrder(int order) const;
    // The members of `contacts` in display order `order`.
    std::vector<DWORD> InOrder(const std::vector<DWORD>& contacts, int order) const;

    // The number lookup's search: the contacts with a word beginning with the key, in display order 0.
    std::vector<DWORD> SearchPrefix(std::u16string_view key) override;

    void StartSave() { m_store.StartSave(); }
    void CancelSave() { m_store.CancelSave(); }
    bool IsSaving() const { return m_store.IsSaving(); }

    struct Statistics {
        DWORD usedLength;
        DWORD freeBytes;
        DWORD freeBlocks;
        DWORD wordNodes;
        DWORD keypadNodes;
        DWORD contacts;
    };
    Statistics Stats() const;
    // The mapped data, for those who look at the store as it lies.
    const MappedStore& Mapped() const { return m_store; }

private:
    // Marks the store untrusted and reports the failure; the change is undone by the caller.
    bool OutOfMemory();
    // The contact's words, keys and table entry; on failure nothing of it is left.
    bool EnterContact(const IndexedContact& contact);
    static std::vector<DWORD> Intersection(const std::vector<DWORD>& sorted, std::vector<DWORD> contacts);
    std::vector<DWORD> Ordered(const std::vector<DWORD>& sorted, int order) const;

    MappedStore m_store;
    StoreHeap m_heap;
    WordTree m_words;
    WordTree m_keys;
    std::array<OrderList, orderCount> m_orders;
    ContactTable m_table;
};

}
