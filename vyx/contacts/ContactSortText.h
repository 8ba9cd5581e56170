// ContactSortText: the text a contact sorts by in the index's display orders, from its record in
// memory or read from the contacts database. Order 0 sorts by last and first name (or what stands in
// for them), order 1 by the file-as text.
#pragma once

#include "vyx/contacts/CallerInfo.h"
#include "vyx/contacts/PimDatabase.h"
#include "vyx/contacts/SortTextReader.h"

#include <string>

namespace vyx {

class ContactSortText {
public:
    static std::u16string Of(const CallerInfo& record, int order);
};

// Reads the sort texts of indexed contacts from the contacts database, as the index asks for them.
class DatabaseSortTexts final : public SortTextReader {
public:
    explicit DatabaseSortTexts(PimDatabase& contacts);
    std::optional<std::u16string> SortText(DWORD contact, int order) override;

private:
    PimDatabase& m_contacts;
};

}
