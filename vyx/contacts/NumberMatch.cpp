// Number matching: comparing a caller's digits with a stored number's tail.
#include "vyx/contacts/NumberMatch.h"

namespace vyx {

std::optional<std::u16string> NumbersMatch(const PhoneDigits& callerDigits, std::u16string_view stored)
{
    const PhoneDigits storedDigits = PhoneDigits::DigitsOnly(stored);
    if (storedDigits.IsEmpty())
        return std::nullopt;
    const std::u16string_view tail = storedDigits.Last(matchedTailDigits);
    if (callerDigits.Length() >= tailMatchDigits) {
        // A six-digit caller number is shorter than a seven-digit tail, so it cannot end in it.
        if (callerDigits.Last(tail.size()) != tail)
            return std::nullopt;
    } else if (storedDigits.Text() != callerDigits.Text()) {
        return std::nullopt;
    }
    return std::u16string(tail);
}

}
