// OidList: the contacts of one word, a count followed by the identifiers in ascending order. A list is
// never changed where it lies while it grows: a longer copy replaces it, so a failed allocation leaves
// the old one whole.
#pragma once

#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/StoreHeap.h"

#include <vector>

namespace vyx {

class OidList {
public:
    OidList(MappedStore& store, StoreHeap& heap);

    // The number of identifiers, cut to what the data can hold.
    DWORD Count(DWORD list) const;
    bool Contains(DWORD list, DWORD contact) const;
    void AppendTo(DWORD list, std::vector<DWORD>& contacts) const;

    // A new list of the one contact; 0 when no memory can be had.
    DWORD Create(DWORD contact);
    // A new list of the old one's entries and `contact` at its ascending place; the old list is freed.
    // 0, and the old list kept, when no memory can be had.
    DWORD Insert(DWORD list, DWORD contact);
    // The list without `contact`: a shorter copy, or the list itself shortened where it lies when no
    // memory can be had for the copy; 0 once the last entry is gone (the list is freed).
    DWORD Remove(DWORD list, DWORD contact);

private:
    // The position of `contact`, or of the first larger entry.
    DWORD LowerBound(DWORD list, DWORD count, DWORD contact) const;
    DWORD EntryAt(DWORD list, DWORD index) const;

    MappedStore& m_store;
    StoreHeap& m_heap;
};

}
