#include "vyx/contacts/CallerInfo.h"

#include "vyx/contacts/RecordStamp.h"

#include <utility>

namespace vyx {

namespace {

// Contact string property number -> text slot.
constexpr std::pair<WORD, std::size_t> slotTable[] {
    { 0x80, 42 }, { 0x81, 24 }, { 0x82, 26 }, { 0x83, 27 }, { 0x84, 28 }, { 0x85, 25 }, { 0x86, 49 }, { 0x87, 44 },
    { 0x88, 45 }, { 0x89, 46 }, { 0x8A, 39 }, { 0x8B, 37 }, { 0x8C, 38 }, { 0x8D, 43 }, { 0x8E, 36 }, { 0x8F, 41 },
    { 0x90, 0 }, { 0x91, 1 }, { 0x92, 2 }, { 0x93, 50 }, { 0x94, 51 }, { 0x95, 52 }, { 0x96, 35 }, { 0x97, 13 },
    { 0x98, 14 }, { 0x99, 21 }, { 0x9A, 22 }, { 0x9B, 15 }, { 0x9C, 23 }, { 0x9D, 31 }, { 0x9E, 33 }, { 0x9F, 34 },
    { 0xA0, 55 }, { 0xA1, 40 }, { 0xA5, 29 }, { 0xA6, 30 }, { 0xA7, 32 }, { 0xA8, 48 }, { 0xA9, 53 }, { 0xAA, 54 },
    { 0xAB, 56 }, { 0xC1, 12 }, { 0xC2, 11 }, { 0xC3, 10 }, { 0xC4, 9 }, { 0xC5, 8 }, { 0xD1, 20 }, { 0xD2, 19 },
    { 0xD3, 18 }, { 0xD4, 17 }, { 0xD5, 16 }, { 0xE1, 7 }, { 0xE2, 6 }, { 0xE3, 5 }, { 0xE4, 4 }, { 0xE5, 3 },
    { 0x101, 47 }, { 0x10A3, 57 },
};
static_assert(std::size(slotTable) == CallerInfo::textSlotCount);

// The order in which the record lists its phone numbers.
constexpr std::size_t phoneSlots[] { CallerInfo::WorkPhone, CallerInfo::HomePhone, CallerInfo::MobilePhone, CallerInfo::Pager,
    CallerInfo::RadioPhone, CallerInfo::AssistantPhone, CallerInfo::CarPhone, CallerInfo::WorkFax, CallerInfo::WorkPhone2,
    CallerInfo::HomePhone2, CallerInfo::HomeFax, CallerInfo::CompanyPhone, CallerInfo::MmsPhone };

constexpr WORD demotionProperty = 0x0102;
constexpr WORD categoryKeyProperty = 0x1000;

}

std::optional<std::size_t> CallerInfo::SlotOf(WORD propertyNumber)
{
    for (const auto& [number, slot] : slotTable) {
        if (number == propertyNumber)
            return slot;
    }
    return std::nullopt;
}

void CallerInfo::Clear()
{
    *this = CallerInfo();
}

void CallerInfo::Store(const PropertyValue& value)
{
    if (value.IsAbsent())
        return;
    const WORD number = value.Number();
    switch (value.Type()) {
    case CEVT_LPWSTR:
        if (const auto slot = SlotOf(number))
            texts[*slot] = value.AsText();
        break;
    case CEVT_FILETIME:
        if (number == RecordStamp::dateAProperty)
            dateA = value.AsFileTime();
        else if (number == RecordStamp::dateBProperty)
            dateB = value.AsFileTime();
        break;
    case CEVT_I4:
    case CEVT_UI4:
        if (number == RecordStamp::linkTypeProperty)
            linkType = value.AsLong();
        else if (number == demotionProperty)
            demoted = value.AsDword() != 0;
        else if (number == categoryKeyProperty)
            categoryKey = value.AsDword();
        break;
    case CEVT_BLOB:
    case CEVT_STREAM:
        if (number == RecordStamp::notesProperty)
            notes = value.AsBytes();
        break;
    default:
        break;
    }
}

std::vector<std::u16string> CallerInfo::PhoneNumbers() const
{
    std::vector<std::u16string> numbers;
    for (const std::size_t slot : phoneSlots) {
        if (!texts[slot].empty())
            numbers.push_back(texts[slot]);
    }
    for (const ContactExtras::Pair& phone : extras.phones)
        numbers.push_back(phone.value);
    return numbers;
}

DWORD CallerInfo::Stamp() const
{
    DWORD sum = identifier + RecordStamp::OfFileTime(dateA) + RecordStamp::OfFileTime(dateB) + static_cast<DWORD>(linkType);
    for (const std::u16string& text : texts)
        sum += RecordStamp::OfText(text);
    return sum + RecordStamp::OfNotes(notes);
}

}
