// PhoneDigits: the digits-only form of a telephone number, the ground every number rule stands on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vyx {

class PhoneDigits {
public:
    // The characters '0' to '9' of `number` in their order; everything else ('+', '#', '*', 'p', 'w',
    // blanks, brackets, letters) is dropped.
    static PhoneDigits DigitsOnly(std::u16string_view number);

    std::u16string_view Text() const { return m_digits; }
    std::size_t Length() const { return m_digits.size(); }
    // A number without digits cannot be matched.
    bool IsEmpty() const { return m_digits.empty(); }
    // The last `count` digits, or all of them when there are fewer.
    std::u16string_view Last(std::size_t count) const;

    static bool IsDigit(char16_t character) { return character >= u'0' && character <= u'9'; }

private:
    explicit PhoneDigits(std::u16string digits);

    std::u16string m_digits;
};

}
