// The program's module, kept per process.
#include "common/ProgramModule.h"

#include "platform/api/ProcessStorage.h"
#include "platform/api/WinBase.h"

namespace {

struct ProgramModuleValue {
    HINSTANCE instance = nullptr;
};

}

HINSTANCE ProgramModule()
{
    const HINSTANCE named = platform::processGlobal<ProgramModuleValue>().instance;
    return named ? named : GetModuleHandle(nullptr);
}

void SetProgramModule(HINSTANCE instance)
{
    platform::processGlobal<ProgramModuleValue>().instance = instance;
}
