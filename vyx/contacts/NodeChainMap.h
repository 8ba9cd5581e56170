// NodeChainMap: which contact has which NodeChain in a tree, as (identifier, chain offset) pairs in
// ascending identifier order. The map is replaced by a copy one pair longer or shorter on each change;
// its offset lives in a field of the index header.
#pragma once

#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/StoreHeap.h"

namespace vyx {

class NodeChainMap {
public:
    // `field`: the header field holding the map's offset.
    NodeChainMap(MappedStore& store, StoreHeap& heap, DWORD field);

    DWORD Count() const;
    // The contact's chain, 0 when it has none.
    DWORD Find(DWORD contact) const;
    // Adds the pair at its place; false, and the map unchanged, when no memory can be had.
    bool Insert(DWORD contact, DWORD chain);
    // Drops the contact's pair; where no memory can be had for the shorter copy, the map is shortened
    // where it lies.
    void Remove(DWORD contact);

private:
    DWORD Map() const;
    DWORD LowerBound(DWORD map, DWORD count, DWORD contact) const;
    DWORD ContactAt(DWORD map, DWORD index) const;

    MappedStore& m_store;
    StoreHeap& m_heap;
    DWORD m_field;
};

}
