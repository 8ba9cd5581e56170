// What a device is: its screen, its clock's start, its ANSI code page and locale, what its libraries
// lack, and its telephony lines.
#pragma once

#include "platform/api/Tapi.h"
#include "platform/api/WinNls.h"
#include "platform/api/WinTypes.h"
#include "platform/emu/VirtualClock.h"

#include <set>
#include <string>
#include <vector>

namespace emu {

// A line device of the phone's telephony service.
struct LineDeviceProfile {
    std::u16string name;
    DWORD mediaModes { 0 };
    // The telephony versions its provider supports.
    DWORD lowestApiVersion { 0x00010003 };
    DWORD highestApiVersion { 0x00020000 };
};

struct DeviceProfile {
    static constexpr const char* defaultStartTime = "2026-03-02 09:00:00";

    WallMs bootTime { *parseDateTime(defaultStartTime) };
    std::int32_t localBiasMinutes { 0 };
    int screenWidth { 240 };
    int screenHeight { 320 };
    int dpi { 96 };
    // The code page of the device's 8-bit text (CP_ACP): 1251, Cyrillic, on a Russian phone.
    UINT ansiCodePage { 1251 };
    // The user's locale: Russian (0x0419) on a Russian phone.
    LCID locale { 0x0419 };
    // Library entries the device lacks: "phone.dll" leaves out the whole library,
    // "coredll.dll!AllKeys" one export by name, "ossvcs.dll#218" one by ordinal.
    std::set<std::string> missingLibraryEntries;
    // The line devices, by device identifier. The network's calls come and go on the first one that
    // carries interactive voice.
    std::vector<LineDeviceProfile> lineDevices {
        { .name = u"Cellular Data", .mediaModes = LINEMEDIAMODE_DATAMODEM },
        { .name = u"Cellular Line", .mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE },
    };
    // lineInitialize answers LINEERR_REINIT this many times, each after this much virtual time, as it
    // does while the telephony service restarts.
    unsigned lineReinitAnswers { 0 };
    std::uint32_t lineReinitMs { 50 };
    // Line functions that answer LINEERR_OPERATIONFAILED: "lineOpen", "lineSetAppPriority"...
    std::set<std::string> failingLineFunctions;
    // Whether the contacts database of a fresh device declares the demotion property (0x0102).
    bool contactsDemotionProperty = false;
};

}
