// NumberKey: reversing a number's digits behind the key marker.
#include "vyx/contacts/NumberKey.h"

#include <utility>

namespace vyx {

NumberKey::NumberKey(std::u16string text)
    : m_text(std::move(text))
{
}

std::optional<NumberKey> NumberKey::MakeNumberKey(const PhoneDigits& digits)
{
    if (digits.IsEmpty())
        return std::nullopt;
    std::u16string text(1, marker);
    text.append(digits.Text().rbegin(), digits.Text().rend());
    return NumberKey(std::move(text));
}

}
