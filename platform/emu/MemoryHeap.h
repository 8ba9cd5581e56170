// One heap of the device: the blocks it handed out, each freed by its owner or with the heap. Blocks
// are aligned for any structure, so that a buffer of records (CEPROPVALs) can start at one.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>

namespace emu {

class MemoryHeap {
public:
    // A new block of `bytes` (at least one byte is taken, so that every block is distinct).
    void* allocate(std::size_t bytes, bool zeroed);
    // False when the block is none of this heap's: freed already, or never handed out by it.
    bool free(void* block);

private:
    std::unordered_map<const void*, std::unique_ptr<std::byte[]>> m_blocks;
};

}
