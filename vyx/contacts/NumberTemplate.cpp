// NumberTemplate: a pattern and its slots.
#include "vyx/contacts/NumberTemplate.h"

#include "vyx/contacts/PhoneDigits.h"
#include "vyx/contacts/TemplateCore.h"

#include <algorithm>
#include <utility>

namespace vyx {

NumberTemplate::NumberTemplate(std::u16string text)
    : m_text(std::move(text))
    , m_slotCount(vyx::SlotCount(m_text))
{
}

bool NumberTemplate::IsUsable(std::u16string_view text)
{
    return !text.empty() && text.find_first_of(u"[]{}<>") == std::u16string_view::npos;
}

bool NumberTemplate::HasLiteralDigit() const
{
    return std::any_of(m_text.begin(), m_text.end(), PhoneDigits::IsDigit);
}

}
