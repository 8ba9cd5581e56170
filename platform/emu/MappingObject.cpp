#include "platform/emu/MappingObject.h"

namespace emu {

MappingObject::MappingObject(std::shared_ptr<MemoryRegion> region, bool writable, std::string name)
    : m_region(std::move(region))
    , m_writable(writable)
    , m_name(std::move(name))
{
}

std::string MappingObject::describe() const
{
    return m_name.empty() ? std::string("file mapping") : "file mapping \"" + m_name + "\"";
}

}
