#include "emulator/KabProgram.h"

#include "emulator/FamilyMember.h"
#include "platform/api/WinUser.h"

namespace devemu {

int KabProgram::run(HINSTANCE instance, const std::u16string&)
{
    // One copy serves the device: a second start leaves the running one alone.
    if (FindWindow(className, nullptr))
        return 1;
    FamilyMember member;
    if (!member.Join(instance, className).empty() || !member.ConnectBook(instance))
        return 1;
    SetWindowText(member.MainWindow(), u"Kab");
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    member.Leave();
    return static_cast<int>(msg.wParam);
}

}
