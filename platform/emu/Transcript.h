// The device's transcript: one line per event, stamped with the virtual time since boot.
#pragma once

#include <ostream>
#include <string>

namespace emu {

class VirtualClock;

class Transcript {
public:
    explicit Transcript(std::ostream&);

    void attachClock(const VirtualClock* clock) { m_clock = clock; }
    void event(const std::string& text);

private:
    std::ostream& m_out;
    const VirtualClock* m_clock { nullptr };
};

}
