// The block a property read hands out, laid out as the platform does it: the CEPROPVALs first, then
// the texts (each with its NUL) and the bytes of blobs they point into. A property the record lacks
// comes back with its identifier, no value and the flag CEDB_PROPNOTFOUND. wLenData gives the bytes
// of a text (its NUL included) or blob, up to 0xFFFF, and 0 for the other types.
#pragma once

#include "platform/emu/StoredProperty.h"

#include <cstddef>
#include <vector>

namespace emu {

class MemoryHeap;

class PropertyBuffer {
public:
    // One CEPROPVAL of the block: a property, or the identifier of one the record lacks (null).
    struct Slot {
        CEPROPID id;
        const StoredProperty* property;
    };

    explicit PropertyBuffer(std::vector<Slot>);

    std::size_t size() const { return m_size; }
    WORD count() const { return static_cast<WORD>(m_slots.size()); }
    // Fills a block of at least size() bytes; the block need not be aligned.
    void fill(BYTE* block) const;
    // Fills the caller's block when it holds size() bytes; otherwise, when a heap is given, a new block
    // of the heap takes its place (the old one freed when it is the heap's). False when the buffer fits
    // nowhere; `blockSize` then tells the size needed.
    bool placeIn(BYTE*& block, DWORD& blockSize, MemoryHeap* heap) const;

private:
    std::vector<Slot> m_slots;
    std::size_t m_size;
};

}
