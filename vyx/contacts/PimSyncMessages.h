// PimSyncMessages: the five registered window messages that carry the shared contact index's
// master/slave hand-overs between the programs of the family.
#pragma once

#include "platform/api/WinTypes.h"

namespace vyx {

struct PimSyncMessages {
    UINT changeToMaster { 0 };
    UINT changeToSlave { 0 };
    UINT slaveReload { 0 };
    UINT slaveStop { 0 };
    UINT updateLinkType { 0 };

    // Registers the messages by name; every program of the family gets the same numbers.
    static PimSyncMessages Register();
    bool Includes(UINT message) const
    {
        return message != 0
            && (message == changeToMaster || message == changeToSlave || message == slaveReload || message == slaveStop
                || message == updateLinkType);
    }
};

}
