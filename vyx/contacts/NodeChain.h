// NodeChain: the terminal nodes of the words entered for one contact in one tree, so that the contact
// can be taken out again without searching. A circular list of blocks of 20 node offsets each; new
// offsets go into the last block, and a new block follows it once it is full.
#pragma once

#include "vyx/contacts/MappedStore.h"
#include "vyx/contacts/StoreHeap.h"

#include <vector>

namespace vyx {

class NodeChain {
public:
    NodeChain(MappedStore& store, StoreHeap& heap);

    // A chain of one empty block linked to itself; 0 when no memory can be had.
    DWORD Create();
    // Appends the node offsets; false, and the chain unchanged, when the blocks it needs cannot be had.
    bool Append(DWORD chain, const std::vector<DWORD>& nodes);
    // The node offsets in the order they were appended.
    std::vector<DWORD> Nodes(DWORD chain) const;
    void Free(DWORD chain);

private:
    // The chain's blocks from the first, ended early where a link leads outside the data or back.
    std::vector<DWORD> Blocks(DWORD chain) const;
    DWORD SlotCount(DWORD block) const;

    MappedStore& m_store;
    StoreHeap& m_heap;
};

}
