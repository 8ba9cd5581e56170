#include "platform/emu/FileObject.h"

#include "platform/api/FileApi.h"
#include "platform/emu/Text.h"

#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

namespace emu {

namespace {

bool stampModificationTime(const std::filesystem::path& host, std::filesystem::file_time_type time)
{
    std::error_code error;
    std::filesystem::last_write_time(host, time, error);
    return !error;
}

std::filesystem::file_time_type fileTimeFromUnixSeconds(std::int64_t unixSeconds)
{
    return std::chrono::file_clock::from_sys(std::chrono::sys_seconds { std::chrono::seconds { unixSeconds } });
}

}

FileObject::FileObject(int hostFd, std::filesystem::path hostPath, std::u16string devicePath, DWORD access, DWORD shareMode)
    : m_fd(hostFd)
    , m_hostPath(std::move(hostPath))
    , m_devicePath(std::move(devicePath))
    , m_access(access)
    , m_shareMode(shareMode)
{
}

FileObject::~FileObject()
{
    // Stamped again: writes through a mapping of the file move the host time after the last WriteFile.
    if (m_written)
        stampModificationTime(m_hostPath, fileTimeFromUnixSeconds(m_writeTime));
    close(m_fd);
}

std::string FileObject::describe() const
{
    return "file " + quotedText(m_devicePath);
}

bool FileObject::canRead() const
{
    return (m_access & GENERIC_READ) != 0;
}

bool FileObject::canWrite() const
{
    return (m_access & GENERIC_WRITE) != 0;
}

std::uint64_t FileObject::size() const
{
    struct stat status {};
    if (fstat(m_fd, &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

bool FileObject::resize(std::uint64_t size)
{
    return ftruncate(m_fd, static_cast<off_t>(size)) == 0;
}

void FileObject::markWritten(std::int64_t unixSeconds)
{
    m_written = true;
    m_writeTime = unixSeconds;
    stampModificationTime(m_hostPath, fileTimeFromUnixSeconds(unixSeconds));
}

bool FileObject::setWriteTime(std::filesystem::file_time_type time)
{
    m_written = false;
    return stampModificationTime(m_hostPath, time);
}

std::optional<std::size_t> FileObject::read(void* buffer, std::size_t count)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_fd, bytes + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t FileObject::write(const void* buffer, std::size_t count)
{
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_fd, bytes + done, count - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += static_cast<std::size_t>(put);
    }
    return done;
}

std::optional<std::uint64_t> FileObject::position() const
{
    const off_t at = lseek(m_fd, 0, SEEK_CUR);
    if (at < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(at);
}

bool FileObject::setPosition(std::uint64_t position)
{
    return lseek(m_fd, static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool FileObject::flush()
{
    return fdatasync(m_fd) == 0;
}

}
