#include "platform/emu/EventObject.h"

namespace emu {

EventObject::EventObject(bool manualReset, bool signaled, std::string name)
    : m_manualReset(manualReset)
    , m_signaled(signaled)
    , m_name(std::move(name))
{
}

std::string EventObject::describe() const
{
    return m_name.empty() ? std::string("event") : "event \"" + m_name + "\"";
}

KernelObject::Taken EventObject::take(EmuThread&)
{
    if (!m_manualReset)
        m_signaled = false;
    return Taken::Normal;
}

}
