#include "vyx/contacts/ContactSortText.h"

#include <array>

namespace vyx {

namespace {

// The properties of the sort texts: last, first, display-name fallback, company, file-as.
constexpr std::array sortProperties {
    MAKEPROPID(0x84, CEVT_LPWSTR), MAKEPROPID(0x82, CEVT_LPWSTR), MAKEPROPID(0x81, CEVT_LPWSTR),
    MAKEPROPID(0x8A, CEVT_LPWSTR), MAKEPROPID(0x80, CEVT_LPWSTR),
};

}

std::u16string ContactSortText::Of(const CallerInfo& record, int order)
{
    if (order == 1)
        return record.texts[CallerInfo::FileAs];
    const std::u16string& last = record.texts[CallerInfo::LastName];
    const std::u16string& first = record.texts[CallerInfo::FirstName];
    if (!last.empty() && !first.empty())
        return last + u" " + first;
    if (!last.empty())
        return last;
    if (!first.empty())
        return first;
    if (!record.texts[CallerInfo::Title].empty())
        return record.texts[CallerInfo::Title];
    return record.texts[CallerInfo::Company];
}

DatabaseSortTexts::DatabaseSortTexts(PimDatabase& contacts)
    : m_contacts(contacts)
{
}

std::optional<std::u16string> DatabaseSortTexts::SortText(DWORD contact, int order)
{
    m_contacts.SetAutoAdvance(false);
    if (!m_contacts.SeekIdentifier(contact))
        return std::nullopt;
    const std::vector<CEPROPID> listed(sortProperties.begin(), sortProperties.end());
    std::vector<PropertyValue> values;
    CEOID record = 0;
    if (!m_contacts.ReadProps(&listed, record, values) || record != contact)
        return std::nullopt;
    CallerInfo texts;
    for (const PropertyValue& value : values)
        texts.Store(value);
    return ContactSortText::Of(texts, order);
}

}
