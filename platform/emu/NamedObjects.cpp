#include "platform/emu/NamedObjects.h"

namespace emu {

std::shared_ptr<KernelObject> NamedObjects::find(const std::u16string& name) const
{
    const auto it = m_objects.find(name);
    return it == m_objects.end() ? nullptr : it->second.lock();
}

void NamedObjects::add(const std::u16string& name, const std::shared_ptr<KernelObject>& object)
{
    m_objects[name] = object;
}

}
