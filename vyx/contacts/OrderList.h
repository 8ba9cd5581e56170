// OrderList: the indexed contacts in one display order, a count followed by their identifiers. A new
// contact finds its place by binary search over the sort texts of those already listed, compared as
// the device's locale sorts (equal texts by identifier), and the list is replaced by a copy one entry
// longer. Search results are put into this order through the positions of their members, which each
// program keeps in its own memory and checks against the list before trusting them.
#pragma once

#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/SortTextReader.h"
#include "vyx/contacts/StoreHeap.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace vyx {

class OrderList {
public:
    // `field`: the header field holding the list's offset; `order`: the display order it keeps.
    OrderList(MappedStore& store, StoreHeap& heap, DWORD field, int order);

    enum class Insertion {
        Inserted,
        // A listed contact's record could not be read: the new contact took its entry.
        TookVanishedPlace,
        // The new contact's own record could not be read; nothing changed.
        Unreadable,
        OutOfMemory,
    };
    Insertion Insert(DWORD contact, SortTextReader& sortTexts);
    // Replaces the list by `contacts` sorted in memory by the same comparison; contacts whose sort text
    // cannot be read are left out. False, and the list as before, when memory ran out.
    bool Fill(const std::vector<DWORD>& contacts, SortTextReader& sortTexts);
    // Drops the contact's entry where the list lies.
    void Remove(DWORD contact);

    DWORD Count() const;
    std::vector<DWORD> All() const;
    // The members of `contacts` (ascending, each once) in this order; empty without a list.
    std::vector<DWORD> Arrange(const std::vector<DWORD>& contacts) const;

private:
    DWORD List() const { return m_store.Read32(m_field); }
    DWORD EntryAt(DWORD list, DWORD index) const;
    static bool Precedes(const std::u16string& text, DWORD contact, const std::u16string& otherText, DWORD other);
    void RememberPositions(DWORD list, DWORD count) const;
    // The contact's remembered position when the list still has it there.
    std::optional<DWORD> PositionOf(DWORD list, DWORD count, DWORD contact) const;

    MappedStore& m_store;
    StoreHeap& m_heap;
    DWORD m_field;
    int m_order;
    // Where each contact stood in the list at offset m_positionsList holding m_positionsCount entries.
    mutable DWORD m_positionsList { 0 };
    mutable DWORD m_positionsCount { 0 };
    mutable std::unordered_map<DWORD, DWORD> m_positions;
};

}
