// KeypadProbe: a small helper program devemu installs on the device to answer `keypad` commands. It
// runs with Vyx's resources, so that the alphabet loaders read the device's settings and locale and
// Vyx's "ABC" resources exactly as the programs do.
#pragma once

#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

class KeypadProbe {
public:
    static constexpr const char16_t* path = u"\\Windows\\KeypadProbe.exe";

    // Runs one request in a process of the probe until it ends: "key WORD" (the GroupKey by Vyx's
    // alphabet), "service-key WORD" (by the service's) or "groups" (Vyx's groups, "2 абвг" a key).
    // Returns the lines of the answer, or what went wrong in `error`.
    static std::vector<std::string> run(emu::Device&, const std::u16string& request, std::string& error);
};

}
