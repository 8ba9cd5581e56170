// NumberProbe: a small helper program devemu installs on the device to answer `numbers` commands. It
// applies Vyx's number rules inside an emulated process, so that the formatter reads its templates
// from the device's settings as the program does.
#pragma once

#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

class NumberProbe {
public:
    static constexpr const char16_t* path = u"\\Windows\\NumberProbe.exe";

    // Runs one request in a process of the probe until it ends and returns the lines of the answer, or
    // what went wrong in `error`. The request is the action and its texts: "digits TEXT", "key TEXT",
    // "field-keys TEXT", "match CALLER STORED" or "format NUMBER".
    static std::vector<std::string> run(emu::Device&, const std::vector<std::u16string>& request, std::string& error);
};

}
