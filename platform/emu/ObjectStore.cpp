#include "platform/emu/ObjectStore.h"

#include "platform/api/FileApi.h"
#include "platform/emu/DbError.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/Device.h"
#include "platform/emu/FileSystem.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>
#include <system_error>

namespace emu {

namespace {

// The high parts of every volume identifier this device hands out; the low part counts.
constexpr DWORD guidMark = 0x4B564F4C; // "KVOL"

}

ObjectStore::ObjectStore(Device& device)
    : m_device(device)
{
}

ObjectStore::~ObjectStore() = default;

std::filesystem::path ObjectStore::hostPathOf(std::u16string_view devicePath) const
{
    const auto host = m_device.files().hostPath(devicePath);
    std::error_code error;
    if (!host || !std::filesystem::is_directory(host->parent_path(), error))
        throw DbError(ERROR_PATH_NOT_FOUND, "no folder for the volume " + toUtf8(devicePath));
    if (std::filesystem::is_directory(*host, error))
        throw DbError(ERROR_ACCESS_DENIED, "the volume " + toUtf8(devicePath) + " is a folder");
    return *host;
}

std::shared_ptr<DbVolume> ObjectStore::engineOf(const std::filesystem::path& hostFile) const
{
    const auto found = m_engines.find(hostFile);
    return found == m_engines.end() ? nullptr : found->second.lock();
}

std::shared_ptr<DbVolume> ObjectStore::openEngine(const std::filesystem::path& hostFile, bool create)
{
    if (auto engine = engineOf(hostFile))
        return engine;
    const CEGUID guid { m_nextGuid++, guidMark, guidMark, guidMark };
    auto engine = std::make_shared<DbVolume>(hostFile, create, guid, m_device.clock(), *this);
    std::erase_if(m_engines, [](const auto& entry) { return entry.second.expired(); });
    m_engines[hostFile] = engine;
    return engine;
}

CEGUID ObjectStore::mount(std::u16string_view devicePath, DWORD creation, bool& existed)
{
    if (creation < CREATE_NEW || creation > OPEN_ALWAYS)
        throw DbError(ERROR_INVALID_PARAMETER, "unknown creation " + std::to_string(creation));
    const std::filesystem::path host = hostPathOf(devicePath);
    std::error_code error;
    existed = std::filesystem::exists(host, error);
    if (existed && creation == CREATE_NEW)
        throw DbError(ERROR_FILE_EXISTS, "the volume " + toUtf8(devicePath) + " exists");
    if (!existed && creation == OPEN_EXISTING)
        throw DbError(ERROR_FILE_NOT_FOUND, "no volume " + toUtf8(devicePath));
    if (existed && creation == CREATE_ALWAYS) {
        // A volume in use, or a file a program has open, is not replaced under its users.
        if (engineOf(host) || m_device.openFiles().isOpen(host))
            throw DbError(ERROR_SHARING_VIOLATION, "the volume " + toUtf8(devicePath) + " is in use");
        if (!std::filesystem::remove(host, error))
            throw DbError(ERROR_ACCESS_DENIED, "the volume " + toUtf8(devicePath) + " cannot be replaced: " + error.message());
    }
    auto engine = openEngine(host, !existed || creation == CREATE_ALWAYS);
    const auto mounted = std::find_if(m_mounts.begin(), m_mounts.end(), [&](const Mount& m) { return m.volume == engine; });
    if (mounted != m_mounts.end())
        ++mounted->count;
    else
        m_mounts.push_back(Mount { engine, 1 });
    return engine->guid();
}

bool ObjectStore::unmount(const CEGUID& guid)
{
    const auto mounted = std::find_if(m_mounts.begin(), m_mounts.end(), [&](const Mount& m) { return m.volume->guid() == guid; });
    if (mounted == m_mounts.end())
        return false;
    if (--mounted->count == 0)
        m_mounts.erase(mounted);
    return true;
}

std::shared_ptr<DbVolume> ObjectStore::mounted(const CEGUID& guid) const
{
    const auto found = std::find_if(m_mounts.begin(), m_mounts.end(), [&](const Mount& m) { return m.volume->guid() == guid; });
    return found == m_mounts.end() ? nullptr : found->volume;
}

std::shared_ptr<DbVolume> ObjectStore::volume(std::u16string_view devicePath)
{
    const std::filesystem::path host = hostPathOf(devicePath);
    std::error_code error;
    if (!std::filesystem::exists(host, error))
        throw DbError(ERROR_FILE_NOT_FOUND, "no volume " + toUtf8(devicePath));
    return openEngine(host, false);
}

bool ObjectStore::volumeExists(std::u16string_view devicePath) const
{
    const auto host = m_device.files().hostPath(devicePath);
    std::error_code error;
    return host && std::filesystem::is_regular_file(*host, error);
}

std::shared_ptr<DbVolume> ObjectStore::createVolume(std::u16string_view devicePath)
{
    const std::filesystem::path host = hostPathOf(devicePath);
    std::error_code error;
    if (std::filesystem::exists(host, error))
        throw DbError(ERROR_FILE_EXISTS, "the volume " + toUtf8(devicePath) + " exists");
    return openEngine(host, true);
}

void ObjectStore::deliver(const CENOTIFYREQUEST& request, const CENOTIFICATION& notification)
{
    auto owned = std::make_unique<CENOTIFICATION>(notification);
    const CENOTIFICATION* address = owned.get();
    // A window that is gone gets nothing, and the notification is not kept for anyone.
    if (m_device.windows().post(request.hwnd, WM_DBNOTIFICATION, 0, reinterpret_cast<LPARAM>(address)))
        m_notifications.emplace(address, std::move(owned));
}

bool ObjectStore::freeNotification(const CENOTIFICATION* notification)
{
    return m_notifications.erase(notification) > 0;
}

}
