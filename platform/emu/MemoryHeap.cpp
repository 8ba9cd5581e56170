#include "platform/emu/MemoryHeap.h"

#include <algorithm>

namespace emu {

void* MemoryHeap::allocate(std::size_t bytes, bool zeroed)
{
    // new[] aligns for every fundamental type, as the platform's allocators do.
    auto block = zeroed ? std::make_unique<std::byte[]>(std::max<std::size_t>(bytes, 1))
                        : std::make_unique_for_overwrite<std::byte[]>(std::max<std::size_t>(bytes, 1));
    void* address = block.get();
    m_blocks.emplace(address, std::move(block));
    return address;
}

bool MemoryHeap::free(void* block)
{
    return m_blocks.erase(block) > 0;
}

}
