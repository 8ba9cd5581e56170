#include "vyx/call/VyxProcess.h"

#include "platform/api/ProcessStorage.h"
#include "platform/api/WinUser.h"

namespace vyx {

VyxProcess& vyxProcess()
{
    return platform::processGlobal<VyxProcess>();
}

void registerPimSyncMessages()
{
    PimSyncMessages& messages = vyxProcess().pimSync;
    messages.changeToMaster = RegisterWindowMessage(u"PimSyncChangeToMaster");
    messages.changeToSlave = RegisterWindowMessage(u"PimSyncChangeToSlave");
    messages.slaveReload = RegisterWindowMessage(u"PimSyncSlaveReload");
    messages.slaveStop = RegisterWindowMessage(u"PimSyncSlaveStop");
    messages.updateLinkType = RegisterWindowMessage(u"PimSyncUpdateLinkType");
}

}
