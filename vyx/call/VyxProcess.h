// What Vyx keeps for its whole process: the application object the main window reaches, and the
// window messages the program family registers.
#pragma once

#include "vyx/contacts/PimSyncMessages.h"

namespace vyx {

class MainWnd;

struct VyxProcess {
    MainWnd* mainWnd { nullptr };
    PimSyncMessages pimSync;
};

VyxProcess& vyxProcess();

}
