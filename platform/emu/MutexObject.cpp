#include "platform/emu/MutexObject.h"

#include "platform/emu/EmuThread.h"

namespace emu {

MutexObject::MutexObject(std::string name)
    : m_name(std::move(name))
{
}

std::string MutexObject::describe() const
{
    std::string text = m_name.empty() ? std::string("mutex") : "mutex \"" + m_name + "\"";
    if (m_owner)
        text += " held by thread " + std::to_string(m_owner->id());
    return text;
}

bool MutexObject::isSignaledFor(const EmuThread& waiter) const
{
    return m_owner == nullptr || m_owner == &waiter;
}

KernelObject::Taken MutexObject::take(EmuThread& taker)
{
    if (m_owner != &taker) {
        m_owner = &taker;
        m_count = 0;
        taker.ownedMutexes.push_back(std::static_pointer_cast<MutexObject>(shared_from_this()));
    }
    ++m_count;
    const bool abandoned = m_abandoned;
    m_abandoned = false;
    return abandoned ? Taken::Abandoned : Taken::Normal;
}

bool MutexObject::release(const EmuThread& caller)
{
    if (m_owner != &caller)
        return false;
    if (--m_count == 0)
        m_owner = nullptr;
    return true;
}

void MutexObject::abandon()
{
    m_owner = nullptr;
    m_count = 0;
    m_abandoned = true;
}

}
