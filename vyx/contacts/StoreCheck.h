// StoreCheck: whether the index and the property store, as opened, still match the contacts
// database: missing (absent, cut short or left busy by a change that did not finish), stale (the
// database was written since they were last brought up to date), or current.
#pragma once

#include "vyx/contacts/IndexStore.h"
#include "vyx/contacts/PimDatabase.h"
#include "vyx/contacts/PropsStore.h"

#include <string>

namespace vyx {

class StoreCheck {
public:
    enum class State { Missing, Stale, Current };
    struct Verdict {
        State state;
        // Why, for a person reading it.
        std::u16string reason;
    };

    enum class Compare { VolumeTimeAndCount, CountOnly };

    // Opens both stores (the one opened is closed again when the other fails, or when the property
    // store turns out busy) and compares them with the database.
    static Verdict OpenAndCheck(IndexStore&, PropsStore&, const PimDatabase& contacts, Compare);
    // Whether a settings value named after a store file says the file is not to be trusted.
    static bool UntrustedBySettings();
};

}
