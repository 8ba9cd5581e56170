// Base64 as vCards carry binary values (ENCODING=BASE64 / b, data: URIs).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devemu {

// White space is skipped, as folded values have it. Nullopt, with `error` saying why, for a
// character outside the alphabet, text after the padding, or a lone last character.
std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text, std::string& error);
// With padding and without line breaks.
std::string encodeBase64(const std::vector<std::uint8_t>&);

}
