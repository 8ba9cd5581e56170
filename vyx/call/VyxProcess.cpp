#include "vyx/call/VyxProcess.h"

#include "platform/api/ProcessStorage.h"

namespace vyx {

VyxProcess& vyxProcess()
{
    return platform::processGlobal<VyxProcess>();
}

}
