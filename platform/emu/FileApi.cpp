// The file functions of the device interface, carried out on the calling emulated thread on the host
// files under the device folder. Times the device reports are the host files' modification times; a
// change made through the device stamps the virtual clock's time on the file and on its folder.
#include "platform/api/FileApi.h"

#include "platform/emu/Device.h"
#include "platform/emu/FileObject.h"
#include "platform/emu/FileSystem.h"
#include "platform/emu/FindObject.h"
#include "platform/emu/OpenFiles.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace emu;
namespace fs = std::filesystem;

namespace {

constexpr char16_t tempFolderPath[] = u"\\Temp\\";

Device& device()
{
    return currentDevice();
}

BOOL failWith(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

HANDLE invalidHandleWith(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

DWORD errorFromErrno(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

// The host path of a device path; nullopt, with the error set, for a path the device cannot have.
std::optional<fs::path> hostPathOf(LPCWSTR devicePath)
{
    auto host = devicePath ? device().files().hostPath(devicePath) : std::nullopt;
    if (!host)
        SetLastError(ERROR_PATH_NOT_FOUND);
    return host;
}

std::optional<struct stat> statusOf(const fs::path& host)
{
    struct stat status {};
    if (::stat(host.c_str(), &status) != 0)
        return std::nullopt;
    return status;
}

bool isFolder(const fs::path& host)
{
    const auto status = statusOf(host);
    return status && S_ISDIR(status->st_mode);
}

bool isRoot(const fs::path& host)
{
    return host.lexically_normal() == device().files().root().lexically_normal();
}

// The device keeps the read-only attribute as the host file's write permission.
bool isReadOnly(const struct stat& status)
{
    return !S_ISDIR(status.st_mode) && !(status.st_mode & S_IWUSR);
}

DWORD attributesOf(const struct stat& status)
{
    if (S_ISDIR(status.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return isReadOnly(status) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

// To the FILETIME's 100 ns, so that changes within one second (the object store's commits) differ.
FILETIME writeTimeOf(const struct stat& status)
{
    return fileTimeFromUnix({ status.st_mtim.tv_sec, status.st_mtim.tv_nsec });
}

// What a missing entry is: a missing file in an existing folder, or a path whose folder is missing.
DWORD missingError(const fs::path& host)
{
    return isFolder(host.parent_path()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

std::int64_t virtualNowSeconds()
{
    return unixSecondsFromWall(device().clock().systemNow());
}

// The host's file time of a device time.
fs::file_time_type hostFileTime(WallMs wall)
{
    const std::chrono::milliseconds sinceUnixEpoch { wall - wallFromUnixSeconds(0, 0) };
    return std::chrono::file_clock::from_sys(std::chrono::sys_time<std::chrono::milliseconds> { sinceUnixEpoch });
}

// Stamps the virtual clock's time, to the second as a written file gets it, on a file or folder.
void stampVirtualTime(const fs::path& host)
{
    std::error_code ignored;
    fs::last_write_time(host, hostFileTime(wallFromUnixSeconds(virtualNowSeconds(), 0)), ignored);
}

std::shared_ptr<FileObject> fileOf(HANDLE handle)
{
    auto file = device().handles().getAs<FileObject>(handle);
    if (!file)
        SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// The last component of a device path as written: "B.txt" of "\\Folder\\B.txt".
std::u16string lastComponent(std::u16string_view devicePath)
{
    while (!devicePath.empty() && (devicePath.back() == u'\\' || devicePath.back() == u'/'))
        devicePath.remove_suffix(1);
    const auto separator = devicePath.find_last_of(u"\\/");
    return std::u16string(separator == std::u16string_view::npos ? devicePath : devicePath.substr(separator + 1));
}

bool copyBytes(int from, int to)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

// * stands for any run of characters, ? for one; letters match without regard to case.
bool matchesWildcards(std::u16string_view pattern, std::u16string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::u16string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || foldCase(pattern[p]) == foldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// As on the platform, a closing ".*" also takes names without an extension: "*.*" is every name.
bool matchesPattern(std::u16string_view pattern, std::u16string_view name)
{
    if (matchesWildcards(pattern, name))
        return true;
    return pattern.ends_with(u".*") && matchesWildcards(pattern.substr(0, pattern.size() - 2), name);
}

WIN32_FIND_DATA findDataOf(const std::u16string& name, const struct stat& status)
{
    WIN32_FIND_DATA data {};
    data.dwFileAttributes = attributesOf(status);
    data.ftCreationTime = data.ftLastAccessTime = data.ftLastWriteTime = writeTimeOf(status);
    const auto size = S_ISDIR(status.st_mode) ? std::uint64_t { 0 } : static_cast<std::uint64_t>(status.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
    std::copy(name.begin(), name.end(), data.cFileName);
    return data;
}

}

// ---- Opening, reading and writing

HANDLE CreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES*, DWORD creationDisposition,
                  DWORD flagsAndAttributes, HANDLE)
{
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING)
        return invalidHandleWith(ERROR_INVALID_PARAMETER);
    const auto host = hostPathOf(fileName);
    if (!host)
        return INVALID_HANDLE_VALUE;
    Device& dev = device();
    const auto existing = statusOf(*host);
    const bool truncates = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
    if (!existing) {
        if (!isFolder(host->parent_path()))
            return invalidHandleWith(ERROR_PATH_NOT_FOUND);
        if (creationDisposition == OPEN_EXISTING || creationDisposition == TRUNCATE_EXISTING)
            return invalidHandleWith(ERROR_FILE_NOT_FOUND);
    } else {
        if (S_ISDIR(existing->st_mode))
            return invalidHandleWith(ERROR_ACCESS_DENIED);
        if (creationDisposition == CREATE_NEW)
            return invalidHandleWith(ERROR_FILE_EXISTS);
        if (isReadOnly(*existing) && ((desiredAccess & GENERIC_WRITE) || truncates))
            return invalidHandleWith(ERROR_ACCESS_DENIED);
        if (!dev.openFiles().admits(*host, desiredAccess, shareMode))
            return invalidHandleWith(ERROR_SHARING_VIOLATION);
    }

    // Opened for reading as well when writing, so that a mapping of the file can read its pages.
    int flags = O_CLOEXEC | ((desiredAccess & GENERIC_WRITE) ? O_RDWR : O_RDONLY);
    if (!existing)
        flags |= O_CREAT | O_EXCL;
    else if (truncates)
        flags |= O_TRUNC;
    const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int fd = ::open(host->c_str(), flags, mode);
    if (fd < 0)
        return invalidHandleWith(errorFromErrno(errno));

    auto file = std::make_shared<FileObject>(fd, *host, fileName, desiredAccess, shareMode);
    if (!existing || truncates)
        file->markWritten(virtualNowSeconds());
    if (!existing)
        stampVirtualTime(host->parent_path());
    dev.openFiles().add(file);
    const bool openedExisting = existing && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
    SetLastError(openedExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return dev.handles().add(std::move(file));
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead, OVERLAPPED*)
{
    if (bytesRead)
        *bytesRead = 0;
    const auto file = fileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canRead())
        return failWith(ERROR_ACCESS_DENIED);
    const auto got = file->read(buffer, bytesToRead);
    if (!got)
        return failWith(ERROR_READ_FAULT);
    if (bytesRead)
        *bytesRead = static_cast<DWORD>(*got);
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten, OVERLAPPED*)
{
    if (bytesWritten)
        *bytesWritten = 0;
    const auto file = fileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canWrite())
        return failWith(ERROR_ACCESS_DENIED);
    if (bytesToWrite == 0)
        return TRUE;
    const std::size_t written = file->write(buffer, bytesToWrite);
    if (written > 0)
        file->markWritten(virtualNowSeconds());
    if (bytesWritten)
        *bytesWritten = static_cast<DWORD>(written);
    return written == bytesToWrite ? TRUE : failWith(ERROR_WRITE_FAULT);
}

BOOL FlushFileBuffers(HANDLE handle)
{
    const auto file = fileOf(handle);
    if (!file)
        return FALSE;
    return file->flush() ? TRUE : failWith(ERROR_WRITE_FAULT);
}

// ---- Position and size

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD moveMethod)
{
    const auto file = fileOf(handle);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    const std::int64_t move = distanceHigh
        ? static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) | static_cast<DWORD>(distance))
        : distance;
    std::optional<std::uint64_t> origin;
    if (moveMethod == FILE_BEGIN)
        origin = 0;
    else if (moveMethod == FILE_CURRENT)
        origin = file->position();
    else if (moveMethod == FILE_END)
        origin = file->size();
    if (!origin) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t target = static_cast<std::int64_t>(*origin) + move;
    if (target < 0 || !file->setPosition(static_cast<std::uint64_t>(target))) {
        SetLastError(target < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh)
        *distanceHigh = static_cast<LONG>(target >> 32);
    // The low part can be 0xFFFFFFFF itself; the caller tells by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(target & 0xFFFFFFFF);
}

BOOL SetEndOfFile(HANDLE handle)
{
    const auto file = fileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canWrite())
        return failWith(ERROR_ACCESS_DENIED);
    const auto position = file->position();
    if (!position || !file->resize(*position))
        return failWith(ERROR_WRITE_FAULT);
    file->markWritten(virtualNowSeconds());
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* fileSizeHigh)
{
    const auto file = fileOf(handle);
    if (!file)
        return INVALID_FILE_SIZE;
    const std::uint64_t size = file->size();
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFF);
}

// ---- Times

BOOL GetFileTime(HANDLE handle, FILETIME* creationTime, FILETIME* lastAccessTime, FILETIME* lastWriteTime)
{
    const auto file = fileOf(handle);
    if (!file)
        return FALSE;
    struct stat status {};
    if (fstat(file->hostFd(), &status) != 0)
        return failWith(ERROR_ACCESS_DENIED);
    const FILETIME written = writeTimeOf(status);
    for (FILETIME* time : { creationTime, lastAccessTime, lastWriteTime }) {
        if (time)
            *time = written;
    }
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME*, const FILETIME* lastWriteTime)
{
    const auto file = fileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canWrite())
        return failWith(ERROR_ACCESS_DENIED);
    if (!lastWriteTime)
        return TRUE;
    return file->setWriteTime(hostFileTime(wallFromFileTime(*lastWriteTime))) ? TRUE : failWith(ERROR_ACCESS_DENIED);
}

// ---- Attributes, files and folders

DWORD GetFileAttributes(LPCWSTR fileName)
{
    const auto host = hostPathOf(fileName);
    if (!host)
        return INVALID_FILE_ATTRIBUTES;
    const auto status = statusOf(*host);
    if (!status) {
        SetLastError(missingError(*host));
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributesOf(*status);
}

BOOL SetFileAttributes(LPCWSTR fileName, DWORD attributes)
{
    const auto host = hostPathOf(fileName);
    if (!host)
        return FALSE;
    const auto status = statusOf(*host);
    if (!status)
        return failWith(missingError(*host));
    // A folder keeps no attribute of its own.
    if (S_ISDIR(status->st_mode))
        return TRUE;
    const mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;
    const mode_t permissions = status->st_mode & 07777;
    const mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? permissions & ~writeBits : permissions | S_IWUSR;
    if (wanted != permissions && chmod(host->c_str(), wanted) != 0)
        return failWith(errorFromErrno(errno));
    return TRUE;
}

BOOL DeleteFile(LPCWSTR fileName)
{
    const auto host = hostPathOf(fileName);
    if (!host)
        return FALSE;
    const auto status = statusOf(*host);
    if (!status)
        return failWith(missingError(*host));
    if (S_ISDIR(status->st_mode) || isReadOnly(*status))
        return failWith(ERROR_ACCESS_DENIED);
    if (device().openFiles().isOpen(*host))
        return failWith(ERROR_SHARING_VIOLATION);
    if (unlink(host->c_str()) != 0)
        return failWith(errorFromErrno(errno));
    stampVirtualTime(host->parent_path());
    return TRUE;
}

BOOL MoveFile(LPCWSTR existingFileName, LPCWSTR newFileName)
{
    const auto from = hostPathOf(existingFileName);
    if (!from)
        return FALSE;
    auto to = hostPathOf(newFileName);
    if (!to)
        return FALSE;
    const auto source = statusOf(*from);
    if (!source)
        return failWith(missingError(*from));
    if (isRoot(*from))
        return failWith(ERROR_ACCESS_DENIED);
    if (const auto target = statusOf(*to)) {
        // The same entry under another spelling: a change of case of the name.
        const bool sameEntry = target->st_dev == source->st_dev && target->st_ino == source->st_ino;
        if (!sameEntry)
            return failWith(ERROR_ALREADY_EXISTS);
        *to = to->parent_path() / toUtf8(lastComponent(newFileName));
    } else if (!isFolder(to->parent_path())) {
        return failWith(ERROR_PATH_NOT_FOUND);
    }
    if (S_ISDIR(source->st_mode) ? device().openFiles().isOpenWithin(*from) : device().openFiles().isOpen(*from))
        return failWith(S_ISDIR(source->st_mode) ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION);
    if (std::rename(from->c_str(), to->c_str()) != 0)
        return failWith(errorFromErrno(errno));
    stampVirtualTime(from->parent_path());
    stampVirtualTime(to->parent_path());
    return TRUE;
}

BOOL CopyFile(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists)
{
    const auto from = hostPathOf(existingFileName);
    if (!from)
        return FALSE;
    const auto to = hostPathOf(newFileName);
    if (!to)
        return FALSE;
    Device& dev = device();
    const auto source = statusOf(*from);
    if (!source)
        return failWith(missingError(*from));
    if (S_ISDIR(source->st_mode))
        return failWith(ERROR_ACCESS_DENIED);
    // The copy reads the source as an open for reading that lets others read, and writes the target
    // as an open for writing that lets nobody in.
    if (!dev.openFiles().admits(*from, GENERIC_READ, FILE_SHARE_READ))
        return failWith(ERROR_SHARING_VIOLATION);
    const auto target = statusOf(*to);
    if (target) {
        if (target->st_dev == source->st_dev && target->st_ino == source->st_ino)
            return failWith(ERROR_SHARING_VIOLATION);
        if (failIfExists)
            return failWith(ERROR_FILE_EXISTS);
        if (S_ISDIR(target->st_mode) || isReadOnly(*target))
            return failWith(ERROR_ACCESS_DENIED);
        if (!dev.openFiles().admits(*to, GENERIC_WRITE, 0))
            return failWith(ERROR_SHARING_VIOLATION);
    } else if (!isFolder(to->parent_path())) {
        return failWith(ERROR_PATH_NOT_FOUND);
    }

    const int input = ::open(from->c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0)
        return failWith(errorFromErrno(errno));
    const int output = ::open(to->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (output < 0) {
        const int error = errno;
        close(input);
        return failWith(errorFromErrno(error));
    }
    // The copy keeps the source's last-write time and its read-only attribute.
    const bool copied = copyBytes(input, output);
    fchmod(output, source->st_mode & 07777);
    close(input);
    close(output);
    const struct timespec sourceTimes[2] = { source->st_mtim, source->st_mtim };
    utimensat(AT_FDCWD, to->c_str(), sourceTimes, 0);
    if (!target)
        stampVirtualTime(to->parent_path());
    return copied ? TRUE : failWith(ERROR_WRITE_FAULT);
}

BOOL CreateDirectory(LPCWSTR pathName, SECURITY_ATTRIBUTES*)
{
    const auto host = hostPathOf(pathName);
    if (!host)
        return FALSE;
    if (statusOf(*host))
        return failWith(ERROR_ALREADY_EXISTS);
    if (!isFolder(host->parent_path()))
        return failWith(ERROR_PATH_NOT_FOUND);
    if (mkdir(host->c_str(), 0777) != 0)
        return failWith(errorFromErrno(errno));
    stampVirtualTime(*host);
    stampVirtualTime(host->parent_path());
    return TRUE;
}

BOOL RemoveDirectory(LPCWSTR pathName)
{
    const auto host = hostPathOf(pathName);
    if (!host)
        return FALSE;
    if (isRoot(*host))
        return failWith(ERROR_ACCESS_DENIED);
    const auto status = statusOf(*host);
    if (!status)
        return failWith(missingError(*host));
    if (!S_ISDIR(status->st_mode))
        return failWith(ERROR_DIRECTORY);
    if (rmdir(host->c_str()) != 0)
        return failWith(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : errorFromErrno(errno));
    stampVirtualTime(host->parent_path());
    return TRUE;
}

DWORD GetTempPath(DWORD bufferLength, LPWSTR buffer)
{
    // The folder is there on every device; one made from scratch gets it on first use.
    if (const auto host = device().files().hostPath(tempFolderPath); host && !statusOf(*host)) {
        if (mkdir(host->c_str(), 0777) == 0) {
            stampVirtualTime(*host);
            stampVirtualTime(host->parent_path());
        }
    }
    const std::u16string_view path = tempFolderPath;
    const auto length = static_cast<DWORD>(path.size());
    if (!buffer || bufferLength <= length)
        return length + 1;
    std::copy(path.begin(), path.end(), buffer);
    buffer[length] = 0;
    return length;
}

// ---- Finding files

HANDLE FindFirstFile(LPCWSTR fileName, WIN32_FIND_DATA* findData)
{
    const std::u16string pattern = fileName ? fileName : u"";
    const auto separator = pattern.find_last_of(u"\\/");
    if (separator == std::u16string::npos)
        return invalidHandleWith(ERROR_PATH_NOT_FOUND);
    const std::u16string_view namePattern = std::u16string_view(pattern).substr(separator + 1);
    const auto folder = device().files().hostPath(std::u16string_view(pattern).substr(0, separator + 1));
    if (!folder || !isFolder(*folder))
        return invalidHandleWith(ERROR_PATH_NOT_FOUND);
    const bool atRoot = isRoot(*folder);

    std::vector<WIN32_FIND_DATA> entries;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(*folder, error)) {
        const fs::path entryName = entry.path().filename();
        if (atRoot && FileSystem::isReservedName(entryName))
            continue;
        const std::u16string name = fromUtf8(entryName.string());
        if (name.size() >= MAX_PATH || !matchesPattern(namePattern, name))
            continue;
        if (const auto status = statusOf(entry.path()))
            entries.push_back(findDataOf(name, *status));
    }
    if (entries.empty())
        return invalidHandleWith(ERROR_FILE_NOT_FOUND);
    std::sort(entries.begin(), entries.end(), [](const WIN32_FIND_DATA& a, const WIN32_FIND_DATA& b) {
        const std::u16string_view nameA = a.cFileName;
        const std::u16string_view nameB = b.cFileName;
        const auto foldedA = foldCase(nameA);
        const auto foldedB = foldCase(nameB);
        return foldedA != foldedB ? foldedA < foldedB : nameA < nameB;
    });

    const auto search = std::make_shared<FindObject>(pattern, std::move(entries));
    *findData = *search->next();
    SetLastError(ERROR_SUCCESS);
    return device().handles().add(search);
}

BOOL FindNextFile(HANDLE findFile, WIN32_FIND_DATA* findData)
{
    const auto search = device().handles().getAs<FindObject>(findFile);
    if (!search)
        return failWith(ERROR_INVALID_HANDLE);
    const WIN32_FIND_DATA* next = search->next();
    if (!next)
        return failWith(ERROR_NO_MORE_FILES);
    *findData = *next;
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!device().handles().getAs<FindObject>(findFile))
        return failWith(ERROR_INVALID_HANDLE);
    device().handles().remove(findFile);
    return TRUE;
}
