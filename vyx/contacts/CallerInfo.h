// CallerInfo: the program's in-memory record of one contact: its identifier, dates, flags, the 58
// text slots filled from its string properties, its categories, notes and extras. Records are reused
// between calls: Clear empties one for the next contact.
#pragma once

#include "platform/api/WinDb.h"
#include "vyx/contacts/ContactExtras.h"
#include "vyx/contacts/ContactPicture.h"
#include "vyx/contacts/PropertyValue.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vyx {

class CallerInfo {
public:
    static constexpr std::size_t textSlotCount = 58;

    // Well-known slots.
    enum Slot : std::size_t {
        Email1 = 0,
        Email2 = 1,
        Email3 = 2,
        WorkPhone = 13,
        WorkPhone2 = 14,
        WorkFax = 15,
        HomePhone = 21,
        HomePhone2 = 22,
        HomeFax = 23,
        Title = 24,
        Suffix = 25,
        FirstName = 26,
        MiddleName = 27,
        LastName = 28,
        Pager = 31,
        CarPhone = 33,
        RadioPhone = 34,
        MobilePhone = 35,
        JobTitle = 38,
        Company = 39,
        AssistantPhone = 40,
        FileAs = 42,
        Ringtone = 48,
        Nickname = 49,
        CompanyPhone = 55,
        MmsPhone = 57,
    };

    // The slot of a contact string property number, or nothing for a property the record ignores.
    static std::optional<std::size_t> SlotOf(WORD propertyNumber);

    void Clear();
    // Keeps one property read from the contacts database in its place; the picture is left to the
    // reader that decodes it.
    void Store(const PropertyValue&);

    // The phone numbers of the record, the extra phones included: the index enters these.
    std::vector<std::u16string> PhoneNumbers() const;
    // The record stamp over the identifier, dates, link type, texts and notes.
    DWORD Stamp() const;

    DWORD identifier { 0 };
    FILETIME dateA {};
    FILETIME dateB {};
    LONG linkType { 0 };
    bool demoted { false };
    std::array<std::u16string, textSlotCount> texts;
    DWORD categoryKey { 0 };
    // Read from the category databases on first use.
    std::optional<std::vector<DWORD>> categories;
    // Decoded when the record is read with its picture; shared with whoever shows it.
    std::shared_ptr<const ContactPicture> picture;
    // Kept only while the record is being read.
    std::vector<BYTE> notes;
    // The notes without their PIM information block, in the notes' own encoding.
    std::shared_ptr<const std::vector<BYTE>> visibleNotes;
    ContactExtras extras;
};

}
