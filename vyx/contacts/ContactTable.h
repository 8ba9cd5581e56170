// ContactTable: the indexed contacts in the order they were added, each with the offset of its record
// in the property store. It grows by a copy one pair longer; a removal closes the gap where the table
// lies, and an emptied table is freed. Each program keeps a sorted map of the table in its own memory,
// filled when the store is opened and kept in step with every change it makes.
#pragma once

#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/StoreHeap.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace vyx {

class ContactTable {
public:
    // `field`: the header field holding the table's offset.
    ContactTable(MappedStore& store, StoreHeap& heap, DWORD field);

    // Fills the map from the table as the store now holds it.
    void Load();
    // Empties the map, for a store closed or made anew.
    void Forget() { m_propsOffsets.clear(); }

    DWORD Count() const;
    // (identifier, property store offset) pairs in the table's order.
    std::vector<std::pair<DWORD, DWORD>> Entries() const;
    // False, and the table unchanged, when no memory can be had.
    bool Append(DWORD contact, DWORD propsOffset);
    void Remove(DWORD contact);

    // From the map: the contact's property store offset, nullopt when it is not in the table.
    std::optional<DWORD> PropsOffsetOf(DWORD contact) const;

private:
    DWORD Table() const { return m_store.Read32(m_field); }

    MappedStore& m_store;
    StoreHeap& m_heap;
    DWORD m_field;
    std::map<DWORD, DWORD> m_propsOffsets;
};

}
