#include "vyx/contacts/PimSyncMessages.h"

#include "platform/api/WinUser.h"

namespace vyx {

PimSyncMessages PimSyncMessages::Register()
{
    return PimSyncMessages {
        RegisterWindowMessage(u"PimSyncChangeToMaster"),
        RegisterWindowMessage(u"PimSyncChangeToSlave"),
        RegisterWindowMessage(u"PimSyncSlaveReload"),
        RegisterWindowMessage(u"PimSyncSlaveStop"),
        RegisterWindowMessage(u"PimSyncUpdateLinkType"),
    };
}

}
