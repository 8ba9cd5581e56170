// NameLookupProbe: the helper program behind `namelookup`. It asks a family program's main window for
// the name of a phone number exactly as the family's programs do: through the shared name look-up block
// and WM_USER+302.
#pragma once

#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

class NameLookupProbe {
public:
    static constexpr const char16_t* path = u"\\Windows\\NameLookupProbe.exe";

    // The request is the number, the class of the main window to ask and the program's name for the
    // errors. One line: `name "TEXT"`, empty when the number has no contact.
    static std::vector<std::string> run(emu::Device&, const std::u16string& number, const std::u16string& windowClass,
                                        const std::u16string& program, std::string& error);
};

}
