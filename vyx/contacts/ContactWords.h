// ContactWords: the words and keypad keys under which the index finds a contact: its texts, dates,
// phone numbers with their number keys, the texts of its extras and its visible notes, each split into
// words, lower-cased and put into keypad form.
#pragma once

#include "vyx/contacts/CallerInfo.h"
#include "vyx/contacts/IndexedContact.h"
#include "vyx/keypad/KeypadAlphabet.h"

#include <string_view>

namespace vyx {

class ContactWords {
public:
    // `record`: the contact as read from the contacts database (texts, dates, phones) with its extras
    // (record.extras, parsed from its notes); `visibleNotesText`: the text of its notes without the PIM
    // information block. The identifier is the record's; propsOffset is left 0 for the caller. A word
    // that occurs more than once is listed each time: the index enters it for the contact only once.
    static IndexedContact Of(const CallerInfo& record, std::u16string_view visibleNotesText,
                             const keypad::KeypadAlphabet& alphabet);
};

}
