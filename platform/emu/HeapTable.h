// The device's heaps: the local heap, which LocalAlloc and GetProcessHeap use, and the heaps programs
// create. The device keeps one local heap for all its processes; what a program leaves in it is
// released with the device.
#pragma once

#include "platform/api/WinTypes.h"
#include "platform/emu/MemoryHeap.h"

#include <cstdint>
#include <map>
#include <memory>

namespace emu {

class HeapTable {
public:
    HeapTable();

    HANDLE localHeapHandle() const { return m_localHandle; }
    MemoryHeap& localHeap() { return *m_heaps.at(reinterpret_cast<std::uintptr_t>(m_localHandle)); }
    // The heap a handle names; null for anything else.
    MemoryHeap* find(HANDLE) const;
    HANDLE create();
    // Frees the heap with every block in it. The local heap is not destroyed.
    bool destroy(HANDLE);

private:
    std::map<std::uintptr_t, std::unique_ptr<MemoryHeap>> m_heaps;
    // Heap handles are a numbering of their own, far from the kernel's.
    std::uintptr_t m_next { 0x7E000000 };
    HANDLE m_localHandle;
};

}
