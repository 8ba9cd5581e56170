// The programs devemu installs on a device: the phone's own stand-ins, the suite and the stand-in for
// the family's address-book program, with what a fresh device gets (the product folder, the start-up
// shortcut and the settings value that names the address-book program).
#pragma once

#include "platform/emu/Device.h"

namespace devemu {

class SuitePrograms {
public:
    static constexpr const char16_t* vyxPath = u"\\Program Files\\Korvane Phone\\Vyx.exe";
    static constexpr const char16_t* vyxShortcut = u"\\Windows\\StartUp\\Korvane Vyx.lnk";

    static void install(emu::Device&);
    // Lays out what installing the suite leaves on a new device. Returns what went wrong, if anything.
    static std::string setUpNewDevice(emu::Device&);
};

}
