// Phone fields: a contact's phone value may hold several numbers ("495 123-45-67, 8 916 765-43-21").
// These rules find the numbers inside such a field and the index keys under which each is found.
#pragma once

#include "vyx/contacts/NumberKey.h"

#include <string_view>
#include <vector>

namespace vyx {

// Whether the character may stand inside a number of a phone field: digits and "-+()*# .". Any other
// character ends the number.
bool IsPhoneCharacter(char16_t character);

// The part of a phone field that ends with the last digit of the number before its last number, or an
// empty view. Only numbers reaching index 5 or beyond count: shorter leading parts are not split off.
std::u16string_view PreviousNumber(std::u16string_view text);

// The key of the whole field's digits, then the key of each successive PreviousNumber of it, so that
// the field is found under every number it holds.
std::vector<NumberKey> NumberKeysOfField(std::u16string_view text);

}
