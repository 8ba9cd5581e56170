// KabProgram: a stand-in for Kab, the family's address-book program, which Vyx's menu starts by the
// settings value "ProgramPath". It does what the family asks of its members and nothing more: its
// hidden main window joins the roster, its contact book connects to the shared index with Vyx's code
// (as master it keeps the index up to date, as slave it reads it), and it answers name look-ups, so
// that the hand-overs between masters and slaves can be watched on the device.
#pragma once

#include "platform/api/WinTypes.h"

#include <string>

namespace devemu {

class KabProgram {
public:
    static constexpr const char16_t* path = u"\\Program Files\\Korvane Phone\\Kab.exe";
    static constexpr const char16_t* className = u"KAB_MAINCLASS";

    // The program's main routine: 0 when closed, 1 when a copy already runs or it cannot join the
    // family or connect its contact book (a slave finding no stores).
    static int run(HINSTANCE, const std::u16string& commandLine);
};

}
