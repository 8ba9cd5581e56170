// The device's kernel handles: numbers handed out in a fixed order, each naming a kernel object. A
// handle belongs to the process that opened it and is closed when that process ends.
#pragma once

#include "platform/api/WinTypes.h"
#include "platform/emu/KernelObject.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace emu {

class HandleTable {
public:
    // Opened by the calling device thread's process (by nobody's when the driver opens it).
    HANDLE add(std::shared_ptr<KernelObject>);
    std::shared_ptr<KernelObject> get(HANDLE) const;
    template <class T>
    std::shared_ptr<T> getAs(HANDLE handle) const { return std::dynamic_pointer_cast<T>(get(handle)); }
    // Returns the object the handle named, or null when it named none.
    std::shared_ptr<KernelObject> remove(HANDLE);
    // Takes away every handle the process opened and returns their objects, for the caller to let go.
    std::vector<std::shared_ptr<KernelObject>> removeOwnedBy(DWORD process);
    void clear() { m_objects.clear(); }

private:
    struct Entry {
        std::shared_ptr<KernelObject> object;
        // The process that opened the handle; 0 for the driver.
        DWORD owner;
    };
    std::map<std::uintptr_t, Entry> m_objects;
    std::uintptr_t m_next { 0x100 };
};

}
