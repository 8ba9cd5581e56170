// A device kept in a host folder: the folder is the device's root "\\", and its ".devemu" entry
// records the device's profile (clock start, screen, locale) between runs.
#pragma once

#include "platform/emu/DeviceProfile.h"

#include <filesystem>
#include <optional>
#include <string>

namespace devemu {

class DeviceFolder {
public:
    explicit DeviceFolder(std::filesystem::path folder);

    const std::filesystem::path& path() const { return m_folder; }

    // Creates the folder when missing; with `wipe`, empties it first. Returns what went wrong, if anything.
    std::string prepare(bool wipe);
    // The recorded profile, or the default one for a new device; `error` tells of a damaged record.
    emu::DeviceProfile loadProfile(std::string& error) const;
    std::string saveProfile(const emu::DeviceProfile&) const;
    // A locale identifier as the record and devemu's --locale write it: 0x0407 or 1031.
    static std::optional<LCID> parseLocale(const std::string&);
    // A device without a recorded profile is new: nothing was installed on it yet.
    bool hasProfile() const;

private:
    std::filesystem::path profilePath() const;

    std::filesystem::path m_folder;
};

}
