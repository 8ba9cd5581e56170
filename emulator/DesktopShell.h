// The phone's desktop, a stand-in for the platform's shell: the full-screen window every other
// window opens over. It runs from power-on to power-off.
#pragma once

#include "platform/emu/Device.h"

namespace devemu {

class DesktopShell {
public:
    static constexpr const char16_t* path = u"\\Windows\\shell32.exe";
    static constexpr const char16_t* windowClass = u"DesktopExplorerWindow";

    static void install(emu::Device&);
    static int run(HINSTANCE);
};

}
