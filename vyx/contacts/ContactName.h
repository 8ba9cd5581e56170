// ContactName: the name a contact is shown and announced by.
#pragma once

#include "vyx/contacts/CallerInfo.h"

#include <string>

namespace vyx {

class ContactName {
public:
    // "Last, First Middle" from the name fields present; without any, the display-name fallbacks
    // (properties 0x81, then 0x85).
    static std::u16string Composed(const CallerInfo& record);
    // The name the caller screen shows: with sort type 1 the stored display name when there is one;
    // otherwise the composed name.
    static std::u16string ForCallerScreen(const CallerInfo& record, DWORD sortType);
    // The name given to a family program asking by number: with sort type 1 the stored display name,
    // or the company when that is empty; otherwise the composed name.
    static std::u16string ForNameLookup(const CallerInfo& record, DWORD sortType);
};

}
