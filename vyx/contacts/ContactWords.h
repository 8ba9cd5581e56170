#pragma once
#include "vyx/contacts/CallerInfo.h"
#include "vyx/contacts/IndexedContact.h"
#include "vyx/keypad/KeypadAlphabet.h"
#include <string_view>
namespace vyx {
class ContactWords {
public:
    static IndexedContact Of(const CallerInfo& record, std::u16string_view visibleNotesText, const keypad::KeypadAlphabet& alphabet);
};
}
