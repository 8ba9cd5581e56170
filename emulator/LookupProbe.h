// LookupProbe: the helper program behind `lookup` and `contacts extras`. It opens the device's contacts
// database, index and property store as Vyx does and looks a caller up, or reads the extras a contact's
// notes carry. It runs with Vyx's resources, whose string table holds the number-type labels.
#pragma once

#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

class LookupProbe {
public:
    static constexpr const char16_t* path = u"\\Windows\\LookupProbe.exe";

    // "lookup NUMBER": one line per matching contact, `contact ID "NAME" label "LABEL" tail TAIL`, or
    // `no contact`. "extras ID": the visible notes and every extra of the contact's notes, a line each.
    static std::vector<std::string> run(emu::Device&, const std::vector<std::u16string>& request, std::string& error);
};

}
