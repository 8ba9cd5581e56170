// The namespace of named kernel objects (events, mutexes, mappings), shared by every process.
// An object lives while a handle or a view holds it; its name goes with it.
#pragma once

#include "platform/emu/KernelObject.h"

#include <map>
#include <memory>
#include <string>

namespace emu {

class NamedObjects {
public:
    std::shared_ptr<KernelObject> find(const std::u16string& name) const;
    void add(const std::u16string& name, const std::shared_ptr<KernelObject>&);

private:
    std::map<std::u16string, std::weak_ptr<KernelObject>> m_objects;
};

}
