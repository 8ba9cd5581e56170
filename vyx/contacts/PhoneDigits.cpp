// PhoneDigits: taking the digits out of a number.
#include "vyx/contacts/PhoneDigits.h"

#include <utility>

namespace vyx {

PhoneDigits::PhoneDigits(std::u16string digits)
    : m_digits(std::move(digits))
{
}

PhoneDigits PhoneDigits::DigitsOnly(std::u16string_view number)
{
    std::u16string digits;
    for (const char16_t character : number) {
        if (IsDigit(character))
            digits += character;
    }
    return PhoneDigits(std::move(digits));
}

std::u16string_view PhoneDigits::Last(std::size_t count) const
{
    const std::u16string_view digits = m_digits;
    return count >= digits.size() ? digits : digits.substr(digits.size() - count);
}

}
