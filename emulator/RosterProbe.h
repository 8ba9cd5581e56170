// RosterProbe: the helper program behind `roster`. It opens the family's roster of programs sharing
// the contact index as they do, and describes each window in it, the master first.
#pragma once

#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

class RosterProbe {
public:
    static constexpr const char16_t* path = u"\\Windows\\RosterProbe.exe";

    // One line per window of the roster in its order: `master 0x00010003 VYX_MAINCLASS Vyx pid 2`,
    // `slave ...`, with `gone` after the handle when no such window exists; or `roster empty`. What
    // went wrong in `error`.
    static std::vector<std::string> run(emu::Device&, std::string& error);
};

}
