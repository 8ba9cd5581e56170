// NumberKey: the index word of a number, "~" followed by its digits from last to first. A prefix
// search for the key of some trailing digits finds every stored number ending in them; the "~" sets
// number keys apart from the ordinary words of the same index.
#pragma once

#include "vyx/contacts/PhoneDigits.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vyx {

class NumberKey {
public:
    static constexpr char16_t marker = u'~';

    // The key of `digits`; an empty digit string gives no key.
    static std::optional<NumberKey> MakeNumberKey(const PhoneDigits& digits);

    std::u16string_view Text() const { return m_text; }
    // Characters of the key, the "~" included.
    std::size_t Length() const { return m_text.size(); }
    // Drops the last character: the leading digit of the number the key was made from.
    void DropLastCharacter()
    {
        if (!m_text.empty())
            m_text.pop_back();
    }

private:
    explicit NumberKey(std::u16string text);

    std::u16string m_text;
};

}
