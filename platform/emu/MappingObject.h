// A file mapping: a named or unnamed region that views map into every process at the same address.
#pragma once

#include "platform/emu/KernelObject.h"
#include "platform/emu/MemoryRegion.h"

#include <memory>
#include <string>

namespace emu {

class MappingObject final : public KernelObject {
public:
    MappingObject(std::shared_ptr<MemoryRegion>, bool writable, std::string name);

    std::string describe() const override;
    const std::shared_ptr<MemoryRegion>& region() const { return m_region; }
    bool writable() const { return m_writable; }

private:
    std::shared_ptr<MemoryRegion> m_region;
    bool m_writable;
    std::string m_name;
};

}
