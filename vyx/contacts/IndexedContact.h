// IndexedContact: what the index maintenance hands the index store for one contact: the words made
// from its record, each lower-cased (its number keys among them), and their keypad keys.
#pragma once

#include "platform/api/WinTypes.h"

#include <string>
#include <vector>

namespace vyx {

struct IndexedContact {
    // The object identifier of the contact's record; 0 names no contact.
    DWORD identifier { 0 };
    // Entered in the word tree.
    std::vector<std::u16string> words;
    // Entered in the keypad tree.
    std::vector<std::u16string> keypadKeys;
    // Where the contact's record lies in the property store.
    DWORD propsOffset { 0 };
};

}
