#include "platform/emu/HandleTable.h"

namespace emu {

HANDLE HandleTable::add(std::shared_ptr<KernelObject> object)
{
    const std::uintptr_t value = m_next;
    m_next += 4;
    m_objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::get(HANDLE handle) const
{
    const auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == m_objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> HandleTable::remove(HANDLE handle)
{
    const auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_objects.end())
        return nullptr;
    auto object = std::move(it->second);
    m_objects.erase(it);
    return object;
}

}
