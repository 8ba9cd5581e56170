// IndexProbe: a small helper program devemu installs on the device to answer `index` commands. It
// opens the device's contact index "\\pim_index1.dat" as the programs do (the region a running program
// holds, or else the file) and asks it one question, checks both stores against the contacts database,
// or rebuilds them as a member of the family's roster. It runs with Vyx's resources, so that keypad
// digits become keys by Vyx's alphabet as the device's settings and locale choose it.
#pragma once

#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

class IndexProbe {
public:
    static constexpr const char16_t* path = u"\\Windows\\IndexProbe.exe";

    // Runs one request in a process of the probe until it ends and returns the lines of the answer, or
    // what went wrong in `error`. The request is the action and its texts: "search TEXT ORDER",
    // "keys KEY ORDER", "numbers DIGITS", "stats", "check" or "rebuild".
    static std::vector<std::string> run(emu::Device&, const std::vector<std::u16string>& request, std::string& error);
};

}
