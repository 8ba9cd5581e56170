// Decodes the text of a vCard value from its charset (UTF-8 unless a CHARSET parameter names another)
// into UTF-16, refusing bytes that the charset does not define.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace devemu {

// `charset` is a name ICU knows: "UTF-8", "WINDOWS-1251", "KOI8-R", "ISO-8859-1"... Nullopt, with
// `error` saying why, for an unknown charset or text that is not valid in it.
std::optional<std::u16string> decodeCharset(std::string_view bytes, const std::string& charset, std::string& error);

}
