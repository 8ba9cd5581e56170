// The device's object store: the volumes programs mount (each volume file has one engine, shared by
// every process and handle that uses it, so that a change by one is seen by all at once), the change
// notifications handed to programs and not yet given back, and the driver's way in.
#pragma once

#include "platform/api/WinDb.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace emu {

class DbVolume;
class Device;

class ObjectStore {
public:
    explicit ObjectStore(Device&);
    ~ObjectStore();
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // ---- Volumes mounted by programs. A volume keeps its identifier while it is mounted or in use.
    // Mounts the volume at a device path as CeMountDBVol does (`creation` CREATE_NEW, CREATE_ALWAYS,
    // OPEN_EXISTING or OPEN_ALWAYS); `existed` tells whether the file was there. Throws DbError.
    CEGUID mount(std::u16string_view devicePath, DWORD creation, bool& existed);
    // Takes back one mount; false for a volume that is not mounted.
    bool unmount(const CEGUID&);
    // The mounted volume of that identifier, or null.
    std::shared_ptr<DbVolume> mounted(const CEGUID&) const;

    // ---- The driver's way in, outside the device's threads: the engine of the volume at a device
    // path, which must exist. Changes through it notify as the programs' changes do. The engine must
    // not be kept past the device. Throws DbError.
    std::shared_ptr<DbVolume> volume(std::u16string_view devicePath);
    bool volumeExists(std::u16string_view devicePath) const;
    // Creates the volume at a device path, which must not exist yet.
    std::shared_ptr<DbVolume> createVolume(std::u16string_view devicePath);

    // ---- Notifications: each is allocated for its receiver, posted as WM_DBNOTIFICATION, and lives
    // until CeFreeNotification gives it back (or the device goes away).
    void deliver(const CENOTIFYREQUEST&, const CENOTIFICATION&);
    bool freeNotification(const CENOTIFICATION*);
    std::size_t liveNotifications() const { return m_notifications.size(); }

private:
    std::filesystem::path hostPathOf(std::u16string_view devicePath) const;
    std::shared_ptr<DbVolume> engineOf(const std::filesystem::path& hostFile) const;
    std::shared_ptr<DbVolume> openEngine(const std::filesystem::path& hostFile, bool create);

    struct Mount {
        std::shared_ptr<DbVolume> volume;
        unsigned count;
    };

    Device& m_device;
    // Engines live while a mount, a handle or the driver holds them.
    std::map<std::filesystem::path, std::weak_ptr<DbVolume>> m_engines;
    std::vector<Mount> m_mounts;
    DWORD m_nextGuid { 1 };
    std::map<const CENOTIFICATION*, std::unique_ptr<CENOTIFICATION>> m_notifications;
};

}
