// VCard: one card of an address book file, and what went wrong where a file cannot be read.
#pragma once

#include "emulator/addressbook/VCardProperty.h"

#include <string>
#include <vector>

namespace devemu {

struct VCard {
    // The line of its BEGIN:VCARD.
    int line { 0 };
    VCardVersion version { VCardVersion::V30 };
    // The properties the mapping knows, in the order of the file.
    std::vector<VCardProperty> properties;
};

struct VCardError {
    // The line at fault; 0 when the fault is the file's as a whole.
    int line { 0 };
    std::string reason;

    // "line 12: a property line without ':'".
    std::string text() const { return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason; }
};

}
