// CallerLookup: the caller look-up of the contact manager: the contacts a received number belongs to,
// found through the index and verified against the contacts database and the property store, and the
// record of a contact loaded from both.
#pragma once

#include "vyx/contacts/CallerInfo.h"
#include "vyx/contacts/CandidateReader.h"
#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/PimDatabase.h"
#include "vyx/contacts/PropsStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace vyx {

class CallerLookup final : private CandidateReader {
public:
    // The demotion flag counts only when the contacts database declares its property.
    CallerLookup(PimDatabase& contacts, IndexStore& index, PropsStore& props);

    // The matching contacts, demoted ones last, and their matched tails; returns their count.
    int FindContactsByNumber(std::u16string_view number, std::size_t minimumDigits, DWORD timeBudgetMs,
                             std::vector<DWORD>& contacts, std::vector<std::u16string>& tails);

    enum class Picture { Decode, Skip };
    // Reads the contact's properties into the record (cleared first), keeping its notes and deriving
    // its visible notes; the picture is decoded unless skipped (as indexing whole databases does).
    // False when the database no longer has the contact.
    bool ReadContact(DWORD contact, CallerInfo& record, Picture picture);
    // The same from properties already read, as a walk over the whole database reads them.
    void Fill(DWORD contact, const std::vector<PropertyValue>& values, CallerInfo& record, Picture picture) const;
    // ReadContact with the picture, then the notes are released and the extras come from the property store. False when
    // the contact is gone or not indexed.
    bool LoadContact(DWORD contact, CallerInfo& record);

    // The record's category identifiers, read from the category databases on the first call for the
    // record and kept with it; none while the category databases cannot be opened.
    static std::vector<DWORD> Categories(CallerInfo& record);

    // What verifies a candidate: its demotion flag and its numbers, from the database and the store.
    CandidateReader& Candidates() { return *this; }

    static constexpr CEPROPID demotionProperty = MAKEPROPID(0x0102, CEVT_UI4);

private:
    bool IsDemoted(DWORD contact) override;
    std::vector<std::u16string> PhoneNumbers(DWORD contact) override;
    // The properties of the contact's record, listed or all; false when it cannot be read.
    bool ReadProperties(DWORD contact, const std::vector<CEPROPID>* listed, std::vector<PropertyValue>& values);

    PimDatabase& m_contacts;
    IndexStore& m_index;
    PropsStore& m_props;
    bool m_demotionDeclared;
};

}
