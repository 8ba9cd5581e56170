// "RosterHolder": a family program that joins the roster with a window of class ROSTER_HOLDER and no
// stores of its own, and runs until its window goes; as master it leaves any newcomer a slave.
#pragma once

#include "platform/api/WinUser.h"
#include "platform/emu/Device.h"
#include "vyx/contacts/PimSync.h"

namespace testing_support {

inline constexpr const char16_t* rosterHolderClass = u"ROSTER_HOLDER";

inline void installRosterHolder(emu::Device& device)
{
    device.installProgram(u"\\Windows\\RosterHolder.exe", [](HINSTANCE instance, const std::u16string&) {
        WNDCLASS windowClass {};
        windowClass.lpfnWndProc = DefWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = rosterHolderClass;
        RegisterClass(&windowClass);
        const HWND window = CreateWindowEx(0, rosterHolderClass, u"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
        vyx::PimSync roster(vyx::PimSyncMessages::Register());
        if (!roster.Open() || !roster.Register(window))
            return 1;
        MSG msg;
        while (IsWindow(window) && GetMessage(&msg, nullptr, 0, 0))
            DispatchMessage(&msg);
        return 0;
    });
}

}
