// VCardReader: reads the cards of an address book file written as vCard 2.1, 3.0 or 4.0.
#pragma once

#include "emulator/addressbook/VCard.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace devemu {

class VCardReader {
public:
    // The cards of a file's text: UTF-8 (a BOM is skipped) or what CHARSET parameters say, with CRLF or
    // LF line ends. Only the properties named in `wanted` (upper case) are kept; the others are
    // skipped without looking into their values. Malformed text anywhere gives nullopt and `error`,
    // and no card at all.
    static std::optional<std::vector<VCard>> read(std::string_view text, std::span<const std::string_view> wanted, VCardError& error);
};

}
