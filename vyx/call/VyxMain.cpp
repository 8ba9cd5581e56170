#include "vyx/call/VyxMain.h"

#include "common/ProgramModule.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "vyx/call/MainWnd.h"
#include "vyx/call/MainWndMessages.h"
#include "vyx/call/VyxProcess.h"

#include <memory>

namespace vyx {

namespace {

constexpr int safeStartKey = VK_DOWN;
constexpr DWORD safeStartWait = 2000;

bool safeStartKeyHeld()
{
    return (GetAsyncKeyState(safeStartKey) & 0x8000) != 0;
}

bool isPreviewCommand(const std::u16string& commandLine)
{
    return commandLine.size() >= 3 && (commandLine[0] == u'/') && (commandLine[1] == u'p' || commandLine[1] == u'P')
        && commandLine[2] == u' ';
}

std::u16string lowerCased(std::u16string text)
{
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    }
    return text;
}

int runMessageLoop()
{
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}

int VyxMain(HINSTANCE instance, std::u16string commandLine)
{
    vyxProcess().pimSync = PimSyncMessages::Register();

    // Holding Down while the program starts keeps it from starting: a way out of a start-up crash.
    if (safeStartKeyHeld()) {
        Sleep(safeStartWait);
        if (safeStartKeyHeld())
            return 0;
    }

    // Skin previews come with the skins; until then a preview start does nothing.
    if (isPreviewCommand(commandLine))
        return 0;

    if (const HWND running = FindWindow(MainWnd::className, nullptr)) {
        if (lowerCased(commandLine).find(u"/shutdown") != std::u16string::npos)
            PostMessage(running, messages::shutdown, 0, 0);
        return 1;
    }

    SetProgramModule(instance);
    VyxProcess& process = vyxProcess();
    auto mainWnd = std::make_unique<MainWnd>();
    process.mainWnd = mainWnd.get();
    int exitCode = 0;
    if (mainWnd->Create(instance))
        exitCode = runMessageLoop();
    mainWnd->Teardown();
    process.mainWnd = nullptr;
    mainWnd.reset();
    return exitCode;
}

}
