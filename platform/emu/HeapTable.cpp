#include "platform/emu/HeapTable.h"

namespace emu {

HeapTable::HeapTable()
    : m_localHandle(create())
{
}

MemoryHeap* HeapTable::find(HANDLE handle) const
{
    const auto it = m_heaps.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == m_heaps.end() ? nullptr : it->second.get();
}

HANDLE HeapTable::create()
{
    const std::uintptr_t value = m_next;
    m_next += 0x10;
    m_heaps.emplace(value, std::make_unique<MemoryHeap>());
    return reinterpret_cast<HANDLE>(value);
}

bool HeapTable::destroy(HANDLE handle)
{
    if (handle == m_localHandle)
        return false;
    return m_heaps.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
}

}
