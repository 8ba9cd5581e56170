// Phone fields: splitting off the earlier numbers of a field and keying each of them.
#include "vyx/contacts/PhoneFields.h"

#include <cstddef>

namespace vyx {

namespace {

// The first index at which a number may end for PreviousNumber, and the first a separator may stand at.
constexpr std::size_t earliestNumberEnd = 5;
constexpr std::size_t earliestSeparator = 6;

}

bool IsPhoneCharacter(char16_t character)
{
    return PhoneDigits::IsDigit(character) || std::u16string_view(u"-+()*# .").find(character) != std::u16string_view::npos;
}

std::u16string_view PreviousNumber(std::u16string_view text)
{
    // The last digit at index 6 or beyond.
    std::size_t lastDigit = text.size();
    while (lastDigit > earliestSeparator && !PhoneDigits::IsDigit(text[lastDigit - 1]))
        --lastDigit;
    if (lastDigit <= earliestSeparator)
        return {};
    --lastDigit;
    // Back over the last number's characters to the first one outside the phone set, not below index 6.
    std::size_t separator = lastDigit;
    while (separator > earliestSeparator && IsPhoneCharacter(text[separator - 1]))
        --separator;
    if (separator <= earliestSeparator)
        return {};
    --separator;
    // The digit the number before it ends with, not below index 5.
    std::size_t previousEnd = separator + 1;
    while (previousEnd > earliestNumberEnd && !PhoneDigits::IsDigit(text[previousEnd - 1]))
        --previousEnd;
    if (previousEnd <= earliestNumberEnd)
        return {};
    return text.substr(0, previousEnd);
}

std::vector<NumberKey> NumberKeysOfField(std::u16string_view text)
{
    std::vector<NumberKey> keys;
    if (text.empty())
        return keys;
    if (auto key = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(text)))
        keys.push_back(std::move(*key));
    for (std::u16string_view rest = PreviousNumber(text); rest.size() > earliestNumberEnd; rest = PreviousNumber(rest)) {
        auto key = NumberKey::MakeNumberKey(PhoneDigits::DigitsOnly(rest));
        if (!key)
            break;
        keys.push_back(std::move(*key));
    }
    return keys;
}

}
