// Maps device paths ("\\Windows\\a.txt": backslashes, rooted, compared without regard to case) to
// host paths under the device folder. The folder's ".devemu" entry holds the emulator's own records
// and is invisible to the device.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace emu {

class FileSystem {
public:
    static constexpr const char* reservedEntry = ".devemu";

    explicit FileSystem(std::filesystem::path root);

    const std::filesystem::path& root() const { return m_root; }

    // The host path of a device path. Components that exist are matched regardless of case; the
    // rest are taken as written. Nullopt for a path that is not absolute, climbs with "..", or
    // names the reserved entry.
    std::optional<std::filesystem::path> hostPath(std::u16string_view devicePath) const;
    static bool isReservedName(const std::filesystem::path& entryName);

private:
    std::filesystem::path m_root;
};

}
