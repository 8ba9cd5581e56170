// FormatBuffer: bounded appends.
#include "vyx/contacts/FormatBuffer.h"

#include <algorithm>
#include <cstddef>

namespace vyx {

void FormatBuffer::Append(std::u16string_view text)
{
    if (m_overflowed || text.size() > longestText - m_length) {
        m_overflowed = true;
        return;
    }
    std::copy(text.begin(), text.end(), m_text.begin() + static_cast<std::ptrdiff_t>(m_length));
    m_length += text.size();
    m_text[m_length] = u'\0';
}

}
