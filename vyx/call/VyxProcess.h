// What Vyx keeps for its whole process: the application object the main window reaches, and the
// window messages the program family registers.
#pragma once

#include "platform/api/WinTypes.h"

namespace vyx {

class MainWnd;

// The five registered messages of the shared contact index's master/slave protocol.
struct PimSyncMessages {
    UINT changeToMaster { 0 };
    UINT changeToSlave { 0 };
    UINT slaveReload { 0 };
    UINT slaveStop { 0 };
    UINT updateLinkType { 0 };
};

struct VyxProcess {
    MainWnd* mainWnd { nullptr };
    PimSyncMessages pimSync;
};

VyxProcess& vyxProcess();
// Registers the family's messages; done once as the program loads.
void registerPimSyncMessages();

}
