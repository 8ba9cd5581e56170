#include "platform/emu/HandleTable.h"

#include "platform/emu/EmuThread.h"
#include "platform/emu/Process.h"

namespace emu {

HANDLE HandleTable::add(std::shared_ptr<KernelObject> object)
{
    const std::uintptr_t value = m_next;
    m_next += 4;
    const EmuThread* opener = currentThread();
    m_objects.emplace(value, Entry { std::move(object), opener ? opener->process().id() : 0 });
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::get(HANDLE handle) const
{
    const auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == m_objects.end() ? nullptr : it->second.object;
}

std::shared_ptr<KernelObject> HandleTable::remove(HANDLE handle)
{
    const auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == m_objects.end())
        return nullptr;
    auto object = std::move(it->second.object);
    m_objects.erase(it);
    return object;
}

std::vector<std::shared_ptr<KernelObject>> HandleTable::removeOwnedBy(DWORD process)
{
    std::vector<std::shared_ptr<KernelObject>> removed;
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        if (process != 0 && it->second.owner == process) {
            removed.push_back(std::move(it->second.object));
            it = m_objects.erase(it);
        } else {
            ++it;
        }
    }
    return removed;
}

}
