// NumberTemplate: one of the user's display patterns for numbers, such as "+7 (###) ###-##-##", with
// its slot count (the characters that take a digit: '#' and literal digits).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vyx {

class NumberTemplate {
public:
    explicit NumberTemplate(std::u16string text);

    // Whether the text can serve as a template: not empty, and free of "[]{}<>".
    static bool IsUsable(std::u16string_view text);

    std::u16string_view Text() const { return m_text; }
    std::size_t SlotCount() const { return m_slotCount; }
    // Templates with a literal digit are tried before the others.
    bool HasLiteralDigit() const;

private:
    std::u16string m_text;
    std::size_t m_slotCount;
};

}
