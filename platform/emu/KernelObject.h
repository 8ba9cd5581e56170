// Base of every object a kernel handle can name: threads, processes, events, mutexes, mappings, files.
#pragma once

#include <memory>
#include <string>

namespace emu {

class EmuThread;

class KernelObject : public std::enable_shared_from_this<KernelObject> {
public:
    virtual ~KernelObject() = default;

    // What the object is, for deadlock reports: "event \"Name\"", "thread 4".
    virtual std::string describe() const = 0;

    virtual bool isWaitable() const { return false; }
    // Whether `waiter` could take the object now without blocking.
    virtual bool isSignaledFor(const EmuThread&) const { return false; }
    enum class Taken { Normal, Abandoned };
    // Takes the signaled object for `waiter`: resets an auto-reset event, gives a mutex its owner.
    virtual Taken take(EmuThread&) { return Taken::Normal; }
};

}
