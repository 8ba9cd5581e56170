// Template cores: whether the core of a number template fits the core of a number, and filling the
// template's slots with the number's digits. In a template '#' stands for any digit, a literal digit
// for itself, and everything else is decoration.
#pragma once

#include "vyx/contacts/FormatBuffer.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace vyx {

// The template characters that take a digit of the number.
constexpr std::u16string_view templateSlots = u"#1234567890";

// Characters of the template that are slots: '#' and literal digits.
std::size_t SlotCount(std::u16string_view templateText);

// The two texts are the same when both are lower-cased as the common library lower-cases text.
bool EqualIgnoringCase(std::u16string_view first, std::u16string_view second);

// Whether the number core (no '-' or blanks left in it) takes the template core: neither is empty, the
// number core holds no bracket or separator, the template's slots and the number's digits pair up one
// to one with each literal digit met by the same digit, and the decoration that is left over agrees.
bool TemplateCoreMatches(std::u16string_view templateCore, std::u16string_view numberCore);

// The template core with its slots filled from `digits`: its '#' characters when there are as many
// of them as digits (literal digits kept), otherwise all its slots when they are as many. Nothing when
// neither count is the number of digits.
std::optional<FormatBuffer> FillTemplateCore(std::u16string_view templateCore, std::u16string_view digits);

}
