// ContactListView: what a program that shows the indexed contacts hears of the index maintenance, so
// that what it shows follows the index.
#pragma once

#include "platform/api/WinTypes.h"

namespace vyx {

class ContactListView {
public:
    virtual ~ContactListView() = default;

    // A batch of changes begins; many are pending when `many` is set.
    virtual void UpdateBegins(bool many) = 0;
    virtual void ContactRemoved(DWORD contact) = 0;
    // The batch is applied; what is shown is read again.
    virtual void UpdateEnded() = 0;
    // The index was rebuilt or reloaded: nothing shown before may be trusted.
    virtual void Reset() = 0;
};

}
