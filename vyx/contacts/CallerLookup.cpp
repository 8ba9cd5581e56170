#include "vyx/contacts/CallerLookup.h"

#include "vyx/contacts/CategoryDatabases.h"
#include "vyx/contacts/ContactNotes.h"
#include "vyx/contacts/NumberLookup.h"

#include <array>
#include <memory>

namespace vyx {

namespace {

constexpr CEPROPID pictureProperty = MAKEPROPID(0xFF, CEVT_BLOB);

// The phone properties in the order a candidate's numbers are verified.
constexpr std::array verifiedPhones {
    MAKEPROPID(0x97, CEVT_LPWSTR), MAKEPROPID(0x98, CEVT_LPWSTR), MAKEPROPID(0x9B, CEVT_LPWSTR), MAKEPROPID(0x99, CEVT_LPWSTR),
    MAKEPROPID(0x9A, CEVT_LPWSTR), MAKEPROPID(0x9C, CEVT_LPWSTR), MAKEPROPID(0x9D, CEVT_LPWSTR), MAKEPROPID(0x9E, CEVT_LPWSTR),
    MAKEPROPID(0x9F, CEVT_LPWSTR), MAKEPROPID(0x96, CEVT_LPWSTR), MAKEPROPID(0xA1, CEVT_LPWSTR), MAKEPROPID(0xA0, CEVT_LPWSTR),
    MAKEPROPID(0x10A3, CEVT_LPWSTR),
};

}

CallerLookup::CallerLookup(PimDatabase& contacts, IndexStore& index, PropsStore& props)
    : m_contacts(contacts)
    , m_index(index)
    , m_props(props)
    , m_demotionDeclared(contacts.HasProperty(demotionProperty))
{
}

int CallerLookup::FindContactsByNumber(std::u16string_view number, std::size_t minimumDigits, DWORD timeBudgetMs,
                                       std::vector<DWORD>& contacts, std::vector<std::u16string>& tails)
{
    NumberLookup lookup(m_index, *this);
    return lookup.FindContactsByNumber(number, minimumDigits, timeBudgetMs, contacts, tails);
}

bool CallerLookup::ReadProperties(DWORD contact, const std::vector<CEPROPID>* listed, std::vector<PropertyValue>& values)
{
    m_contacts.SetAutoAdvance(false);
    if (!m_contacts.SeekIdentifier(contact))
        return false;
    CEOID record = 0;
    return m_contacts.ReadProps(listed, record, values) && record == contact;
}

bool CallerLookup::IsDemoted(DWORD contact)
{
    if (!m_demotionDeclared)
        return false;
    const std::vector<CEPROPID> listed { demotionProperty };
    std::vector<PropertyValue> values;
    return ReadProperties(contact, &listed, values) && !values.empty() && !values.front().IsAbsent()
        && values.front().AsDword() != 0;
}

std::vector<std::u16string> CallerLookup::PhoneNumbers(DWORD contact)
{
    std::vector<std::u16string> numbers;
    std::vector<PropertyValue> values;
    const std::vector<CEPROPID> listed(verifiedPhones.begin(), verifiedPhones.end());
    if (ReadProperties(contact, &listed, values)) {
        for (const PropertyValue& value : values) {
            if (!value.IsAbsent() && !value.AsText().empty())
                numbers.push_back(value.AsText());
        }
    }
    if (const auto offset = m_index.PropsOffsetOf(contact)) {
        if (const auto extras = m_props.ReadRecord(*offset)) {
            for (const ContactExtras::Pair& phone : extras->phones)
                numbers.push_back(phone.value);
        }
    }
    return numbers;
}

bool CallerLookup::ReadContact(DWORD contact, CallerInfo& record, Picture picture)
{
    record.Clear();
    std::vector<PropertyValue> values;
    if (!ReadProperties(contact, nullptr, values))
        return false;
    Fill(contact, values, record, picture);
    return true;
}

void CallerLookup::Fill(DWORD contact, const std::vector<PropertyValue>& values, CallerInfo& record, Picture picture) const
{
    record.Clear();
    record.identifier = contact;
    for (const PropertyValue& value : values) {
        record.Store(value);
        if (picture == Picture::Decode && value.Id() == pictureProperty && !value.IsAbsent())
            record.picture = ContactPicture::Decode(value.AsBytes());
    }
    if (!m_demotionDeclared)
        record.demoted = false;
    record.visibleNotes = std::make_shared<const std::vector<BYTE>>(ContactNotes::VisibleNotes(record.notes));
}

bool CallerLookup::LoadContact(DWORD contact, CallerInfo& record)
{
    if (!ReadContact(contact, record, Picture::Decode))
        return false;
    record.notes.clear();
    const auto offset = m_index.PropsOffsetOf(contact);
    if (!offset) {
        record.Clear();
        return false;
    }
    if (auto extras = m_props.ReadRecord(*offset))
        record.extras = std::move(*extras);
    return true;
}

std::vector<DWORD> CallerLookup::Categories(CallerInfo& record)
{
    if (!record.categories) {
        CategoryDatabases* categories = CategoryDatabases::Instance();
        if (!categories)
            return {};
        record.categories = categories->CategoriesOfItem(CategoryDatabases::ContactItemKey(record.categoryKey));
    }
    return *record.categories;
}

}
