#include "platform/emu/Transcript.h"

#include "platform/emu/VirtualClock.h"

#include <cstdio>

namespace emu {

Transcript::Transcript(std::ostream& out)
    : m_out(out)
{
}

void Transcript::event(const std::string& text)
{
    const std::uint64_t tick = m_clock ? m_clock->now() : 0;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%04llu.%03llu] ", static_cast<unsigned long long>(tick / 1000),
        static_cast<unsigned long long>(tick % 1000));
    m_out << stamp << text << '\n';
    m_out.flush();
}

}
