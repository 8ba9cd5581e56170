// A kernel mutex: owned by one thread at a time, recursively; when its owner ends, the next taker
// receives it abandoned.
#pragma once

#include "platform/emu/KernelObject.h"

#include <string>

namespace emu {

class MutexObject final : public KernelObject {
public:
    explicit MutexObject(std::string name);

    std::string describe() const override;
    bool isWaitable() const override { return true; }
    bool isSignaledFor(const EmuThread& waiter) const override;
    Taken take(EmuThread&) override;

    bool isOwnedBy(const EmuThread& thread) const { return m_owner == &thread; }
    bool release(const EmuThread& caller);
    void abandon();

private:
    std::string m_name;
    EmuThread* m_owner { nullptr };
    unsigned m_count { 0 };
    bool m_abandoned { false };
};

}
