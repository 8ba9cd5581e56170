// The device's kernel handles: numbers handed out in a fixed order, each naming a kernel object.
#pragma once

#include "platform/api/WinTypes.h"
#include "platform/emu/KernelObject.h"

#include <cstdint>
#include <map>
#include <memory>

namespace emu {

class HandleTable {
public:
    HANDLE add(std::shared_ptr<KernelObject>);
    std::shared_ptr<KernelObject> get(HANDLE) const;
    template <class T>
    std::shared_ptr<T> getAs(HANDLE handle) const { return std::dynamic_pointer_cast<T>(get(handle)); }
    // Returns the object the handle named, or null when it named none.
    std::shared_ptr<KernelObject> remove(HANDLE);
    void clear() { m_objects.clear(); }

private:
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> m_objects;
    std::uintptr_t m_next { 0x100 };
};

}
