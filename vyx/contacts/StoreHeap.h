// StoreHeap: the memory manager of the index store, inside the store's data from data offset 36 to its
// end. Blocks carry their payload size in a tag before and after the payload (negated while free); the
// free blocks form a circular list in ascending order. Allocation takes the first fitting block and
// splits it when enough is left; freeing merges with free neighbours; when nothing fits the store grows.
//
// A saved store carries the file's size where the last block's closing tag was (the size mark of the
// file form). That block is then never merged with space added after it, and stays as it is.
#pragma once

#include "vyx/contacts/MappedStore.h"

namespace vyx {

class StoreHeap {
public:
    explicit StoreHeap(MappedStore& store);

    // One free block over all of the data after the header.
    void Format();
    // Whether the heap's header can be true for the data it lies in.
    bool IsPlausible() const;

    // The data offset of a payload of at least `size` bytes; 0 when no memory can be had even after
    // growing (the failure is in the error log).
    DWORD Allocate(DWORD size);
    // Frees the payload at that data offset; an offset that names no block in use is left alone.
    void Free(DWORD payload);
    // The payload size of the block at that data offset, 0 when it names no block.
    DWORD PayloadSize(DWORD payload) const;

    struct FreeSpace {
        DWORD bytes;
        DWORD blocks;
    };
    // The payload bytes of the free blocks and their number.
    FreeSpace FreeSpaceTotal() const;

private:
    DWORD Total() const;
    LONG Tag(DWORD block) const;
    void SetTags(DWORD block, LONG tag);
    DWORD Next(DWORD block) const;
    DWORD Previous(DWORD block) const;
    void SetNext(DWORD block, DWORD next);
    void SetPrevious(DWORD block, DWORD previous);
    DWORD FirstFree() const;
    void SetFirstFree(DWORD block);
    // Whether `block` starts a free block that lies wholly inside the heap.
    bool IsFreeBlock(DWORD block) const;
    // An upper bound for the number of blocks, to end walks over a damaged list.
    DWORD MaxBlocks() const;

    // The first free block of at least `size` bytes, taken (split when worth it); 0 when none fits.
    DWORD TakeFirstFit(DWORD size);
    void Unlink(DWORD block);
    void LinkInOrder(DWORD block);
    // Marks the block free, merges it with free neighbours and links it into the list.
    void Release(DWORD block);
    bool Grow(DWORD size);

    MappedStore& m_store;
};

}
