// RosterProbe: the helper program behind `roster`, and running it.
#include "emulator/RosterProbe.h"

#include "emulator/ProbeProgram.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "vyx/contacts/PimSync.h"

#include <cstdint>

namespace devemu {

namespace {

// The window's class, program and process, or `gone`: whatever another program wrote into the roster
// is only looked at through the window functions.
std::string windowText(HWND window)
{
    if (!IsWindow(window))
        return "gone";
    char16_t className[256] {};
    GetClassName(window, className, 256);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const auto process = emu::currentDevice().findProcess(processId);
    return emu::toUtf8(className) + " " + (process ? process->name() : std::string("?")) + " pid " + std::to_string(processId);
}

int probeMain(ProbeExchange& exchange)
{
    // The probe only reads the roster; it joins nothing and sends nothing.
    vyx::PimSync roster(vyx::PimSyncMessages::Register());
    if (!roster.Open()) {
        exchange.error = "the roster cannot be opened: its name or its lock's is taken by another kind of object, or its "
                         "region is shorter than 40 bytes";
        return 2;
    }
    const std::vector<HWND> windows = roster.Windows();
    if (windows.empty())
        exchange.answer.push_back("roster empty");
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const std::string role = i == 0 ? "master " : "slave ";
        exchange.answer.push_back(role + emu::hexText(reinterpret_cast<std::uintptr_t>(windows[i])) + " " + windowText(windows[i]));
    }
    return 0;
}

}

std::vector<std::string> RosterProbe::run(emu::Device& device, std::string& error)
{
    return ProbeProgram::run(device, path, "roster", probeMain, nullptr, { u"roster" }, error);
}

}
