// Number matching: whether a contact's stored number is the caller's number. Long numbers agree on
// their last seven digits, so a local number matches its full international form; short service
// numbers match only exactly.
#pragma once

#include "vyx/contacts/PhoneDigits.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vyx {

// Digits of a stored number that make up the matched tail, and that a long caller number must share.
constexpr std::size_t matchedTailDigits = 7;
// Caller numbers with at least this many digits match by tail; shorter ones only exactly.
constexpr std::size_t tailMatchDigits = 6;

// The matched tail (the stored number's last seven digits, all of them when it has fewer) when
// `stored` is the caller's number; nothing otherwise.
std::optional<std::u16string> NumbersMatch(const PhoneDigits& callerDigits, std::u16string_view stored);

}
