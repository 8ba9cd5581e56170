// Memory behind a file mapping: zero pages from the page file, or a host file's bytes.
// Pages of an anonymous region are only backed when touched, so an 8 MB region costs nothing upfront.
#pragma once

#include <cstddef>
#include <memory>

namespace emu {

class MemoryRegion {
public:
    static std::shared_ptr<MemoryRegion> anonymous(std::size_t size);
    // Maps `size` bytes of the open host file; writes go to the file when `writable`.
    static std::shared_ptr<MemoryRegion> ofFile(int hostFd, std::size_t size, bool writable);
    ~MemoryRegion();
    MemoryRegion(const MemoryRegion&) = delete;
    MemoryRegion& operator=(const MemoryRegion&) = delete;

    std::byte* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    void flush() const;

private:
    MemoryRegion(std::byte* data, std::size_t size, bool fileBacked);

    std::byte* m_data;
    std::size_t m_size;
    bool m_fileBacked;
};

}
