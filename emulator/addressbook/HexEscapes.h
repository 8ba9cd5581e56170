// Text with bytes written as a marker and two hexadecimal digits: quoted-printable ("=D0=98") and
// percent-encoded URIs ("%20").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace devemu {

// Nullopt when a marker is not followed by two hexadecimal digits. Quoted-printable soft line breaks
// must have been joined before.
std::optional<std::string> decodeHexEscapes(std::string_view text, char marker);

}
