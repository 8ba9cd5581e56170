// Comparisons and case changes of the ASCII words of vCard syntax: property and parameter names,
// types, encodings, URI schemes.
#pragma once

#include <string>
#include <string_view>

namespace devemu {

std::string upperAscii(std::string_view);
bool equalsAsciiIgnoringCase(std::string_view, std::string_view);
bool startsWithAsciiIgnoringCase(std::string_view text, std::string_view prefix);

}
