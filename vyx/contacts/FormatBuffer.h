// FormatBuffer: one of the number formatter's fixed working buffers of 260 characters, the
// terminating NUL included. Text that does not fit is refused and the buffer remembers the overflow,
// so that the template being tried counts as not matching.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vyx {

class FormatBuffer {
public:
    static constexpr std::size_t size = 260;
    // Characters a buffer holds before its NUL.
    static constexpr std::size_t longestText = size - 1;

    // Appends the text whole, or nothing when it does not fit; the buffer has then overflowed, and
    // nothing is appended any more.
    void Append(std::u16string_view text);
    void Append(char16_t character) { Append(std::u16string_view(&character, 1)); }

    std::u16string_view Text() const { return { m_text.data(), m_length }; }
    bool IsEmpty() const { return m_length == 0; }
    bool Overflowed() const { return m_overflowed; }

private:
    std::array<char16_t, size> m_text {};
    std::size_t m_length { 0 };
    bool m_overflowed { false };
};

}
