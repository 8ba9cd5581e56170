#include "platform/emu/MemoryRegion.h"

#include <sys/mman.h>

namespace emu {

MemoryRegion::MemoryRegion(std::byte* data, std::size_t size, bool fileBacked)
    : m_data(data)
    , m_size(size)
    , m_fileBacked(fileBacked)
{
}

std::shared_ptr<MemoryRegion> MemoryRegion::anonymous(std::size_t size)
{
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    return std::shared_ptr<MemoryRegion>(new MemoryRegion(static_cast<std::byte*>(memory), size, false));
}

std::shared_ptr<MemoryRegion> MemoryRegion::ofFile(int hostFd, std::size_t size, bool writable)
{
    const int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    void* memory = mmap(nullptr, size, protection, writable ? MAP_SHARED : MAP_PRIVATE, hostFd, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    return std::shared_ptr<MemoryRegion>(new MemoryRegion(static_cast<std::byte*>(memory), size, true));
}

MemoryRegion::~MemoryRegion()
{
    munmap(m_data, m_size);
}

void MemoryRegion::flush() const
{
    if (m_fileBacked)
        msync(m_data, m_size, MS_SYNC);
}

}
