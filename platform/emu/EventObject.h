// A kernel event, manual- or auto-reset.
#pragma once

#include "platform/emu/KernelObject.h"

#include <string>

namespace emu {

class EventObject final : public KernelObject {
public:
    EventObject(bool manualReset, bool signaled, std::string name);

    std::string describe() const override;
    bool isWaitable() const override { return true; }
    bool isSignaledFor(const EmuThread&) const override { return m_signaled; }
    Taken take(EmuThread&) override;

    void set() { m_signaled = true; }
    void reset() { m_signaled = false; }

private:
    bool m_manualReset;
    bool m_signaled;
    std::string m_name;
};

}
