// An open device file: a host file descriptor with the access and sharing it was opened with.
// Closing a file that was written stamps its host modification time from the virtual clock.
#pragma once

#include "platform/api/WinTypes.h"
#include "platform/emu/KernelObject.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace emu {

class FileObject final : public KernelObject {
public:
    FileObject(int hostFd, std::filesystem::path hostPath, std::u16string devicePath, DWORD access, DWORD shareMode);
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    std::string describe() const override;

    int hostFd() const { return m_fd; }
    const std::filesystem::path& hostPath() const { return m_hostPath; }
    const std::u16string& devicePath() const { return m_devicePath; }
    DWORD access() const { return m_access; }
    DWORD shareMode() const { return m_shareMode; }
    bool canRead() const;
    bool canWrite() const;

    std::uint64_t size() const;
    bool resize(std::uint64_t size);
    // Remembers that the file changed, so that closing it stamps the virtual time. The host file
    // carries that time from now on, so that whoever looks at it before the close sees it too.
    void markWritten(std::int64_t unixSeconds);
    // Gives the host file that modification time, in place of any the close would stamp.
    bool setWriteTime(std::filesystem::file_time_type);

    // Reads at the current position until `count` bytes or the end of the file; nullopt on a host error.
    std::optional<std::size_t> read(void* buffer, std::size_t count);
    // Writes at the current position; returns the bytes written, fewer than `count` on a host error.
    std::size_t write(const void* buffer, std::size_t count);
    std::optional<std::uint64_t> position() const;
    bool setPosition(std::uint64_t position);
    bool flush();

private:
    int m_fd;
    std::filesystem::path m_hostPath;
    std::u16string m_devicePath;
    DWORD m_access;
    DWORD m_shareMode;
    bool m_written { false };
    std::int64_t m_writeTime { 0 };
};

}
