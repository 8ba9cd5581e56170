// The shortcut files of a device, read by its driver from outside the device's threads: what the
// emulator starts from the start-up folder when the device boots.
#pragma once

#include "platform/emu/ShortcutFormat.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

class Device;

class Shortcuts {
public:
    explicit Shortcuts(Device& device);

    // The ".lnk" files of a device folder as device paths, in the order of their names compared without
    // regard to case, as FindFirstFile lists them. Empty when the folder is missing.
    std::vector<std::u16string> list(std::u16string_view folder) const;

    // The program and arguments of a shortcut file; nullopt, with what went wrong and on which file in
    // `error`, when the file is missing or is not a shortcut.
    std::optional<ShortcutTarget> read(std::u16string_view shortcut, std::string& error) const;

private:
    Device& m_device;
};

}
