// What a device is: its screen, its clock's start, its ANSI code page, and what its libraries lack.
#pragma once

#include "platform/api/WinTypes.h"
#include "platform/emu/VirtualClock.h"

#include <set>
#include <string>

namespace emu {

struct DeviceProfile {
    static constexpr const char* defaultStartTime = "2026-03-02 09:00:00";

    WallMs bootTime { *parseDateTime(defaultStartTime) };
    std::int32_t localBiasMinutes { 0 };
    int screenWidth { 240 };
    int screenHeight { 320 };
    int dpi { 96 };
    // The code page of the device's 8-bit text (CP_ACP): 1251, Cyrillic, on a Russian phone.
    UINT ansiCodePage { 1251 };
    // Library entries the device lacks: "phone.dll" leaves out the whole library,
    // "coredll.dll!AllKeys" one export by name, "ossvcs.dll#218" one by ordinal.
    std::set<std::string> missingLibraryEntries;
};

}
