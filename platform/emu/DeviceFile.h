// Reading a whole file of the device through its file functions, on the calling emulated thread.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace emu {

// The content of the device file at `path`; nullopt, with the device's last error set, when it cannot be
// read or is larger than `maxBytes` (ERROR_INVALID_DATA).
std::optional<std::vector<std::uint8_t>> readDeviceFile(LPCWSTR path, DWORD maxBytes = 0xFFFFFFFF);

}
