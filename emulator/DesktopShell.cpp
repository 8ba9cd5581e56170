#include "emulator/DesktopShell.h"

#include "platform/api/WinGdi.h"
#include "platform/api/WinUser.h"

namespace devemu {

namespace {

constexpr COLORREF wallpaper = RGB(32, 72, 128);
constexpr COLORREF statusBar = RGB(16, 32, 64);
constexpr int statusBarHeight = 26;

LRESULT desktopProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProc(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    const HBRUSH wallpaperBrush = CreateSolidBrush(wallpaper);
    FillRect(dc, &client, wallpaperBrush);
    DeleteObject(wallpaperBrush);
    const RECT bar { 0, 0, client.right, statusBarHeight * GetSystemMetrics(SM_CYSCREEN) / 320 };
    const HBRUSH barBrush = CreateSolidBrush(statusBar);
    FillRect(dc, &bar, barBrush);
    DeleteObject(barBrush);
    EndPaint(hwnd, &paint);
    return 0;
}

}

void DesktopShell::install(emu::Device& device)
{
    device.installProgram(path, [](HINSTANCE instance, const std::u16string&) { return run(instance); });
}

int DesktopShell::run(HINSTANCE instance)
{
    WNDCLASS windowClassDefinition {};
    windowClassDefinition.lpfnWndProc = desktopProcedure;
    windowClassDefinition.hInstance = instance;
    windowClassDefinition.lpszClassName = windowClass;
    RegisterClass(&windowClassDefinition);
    CreateWindowEx(0, windowClass, u"Desktop", WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
        nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}
