// Process-wide values of the device interface, kept by the emulated process.
#include "platform/api/ProcessStorage.h"

#include "platform/emu/EmuThread.h"
#include "platform/emu/Process.h"

namespace platform {

ProcessValue& processValue(const void* key, std::unique_ptr<ProcessValue> (*make)())
{
    return emu::currentThread()->storageProcess->value(key, make);
}

}
