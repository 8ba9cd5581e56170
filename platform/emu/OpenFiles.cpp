#include "platform/emu/OpenFiles.h"

#include "platform/api/FileApi.h"
#include "platform/emu/FileObject.h"

#include <algorithm>

namespace emu {

namespace {

constexpr DWORD readOrWrite = GENERIC_READ | GENERIC_WRITE;

// One spelling per path: no "." or "..", no closing separator.
std::filesystem::path keyOf(const std::filesystem::path& hostPath)
{
    std::filesystem::path normal = hostPath.lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

// Whether an open with `access` needs a sharing that `shareMode` does not give.
bool refuses(DWORD shareMode, DWORD access)
{
    return ((access & GENERIC_READ) && !(shareMode & FILE_SHARE_READ))
        || ((access & GENERIC_WRITE) && !(shareMode & FILE_SHARE_WRITE));
}

bool goesAlong(DWORD access, DWORD shareMode, const FileObject& open)
{
    if (!(access & readOrWrite) || !(open.access() & readOrWrite))
        return true;
    return !refuses(open.shareMode(), access) && !refuses(shareMode, open.access());
}

}

void OpenFiles::add(const std::shared_ptr<FileObject>& file)
{
    forgetClosed();
    m_files[keyOf(file->hostPath())].push_back(file);
}

bool OpenFiles::admits(const std::filesystem::path& hostPath, DWORD access, DWORD shareMode)
{
    forgetClosed();
    const auto it = m_files.find(keyOf(hostPath));
    if (it == m_files.end())
        return true;
    return std::all_of(it->second.begin(), it->second.end(), [&](const std::weak_ptr<FileObject>& open) {
        const auto file = open.lock();
        return !file || goesAlong(access, shareMode, *file);
    });
}

bool OpenFiles::isOpen(const std::filesystem::path& hostPath)
{
    forgetClosed();
    return m_files.contains(keyOf(hostPath));
}

bool OpenFiles::isOpenWithin(const std::filesystem::path& folder)
{
    forgetClosed();
    const std::filesystem::path normal = keyOf(folder);
    return std::any_of(m_files.begin(), m_files.end(), [&](const auto& entry) {
        const std::filesystem::path& path = entry.first;
        return std::mismatch(normal.begin(), normal.end(), path.begin(), path.end()).first == normal.end()
            && path != normal;
    });
}

void OpenFiles::forgetClosed()
{
    for (auto it = m_files.begin(); it != m_files.end();) {
        std::erase_if(it->second, [](const std::weak_ptr<FileObject>& open) { return open.expired(); });
        it = it->second.empty() ? m_files.erase(it) : std::next(it);
    }
}

}
