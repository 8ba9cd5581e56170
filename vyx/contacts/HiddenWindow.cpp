#include "vyx/contacts/HiddenWindow.h"

#include "common/WindowTimer.h"

namespace vyx {

HiddenWindow::~HiddenWindow()
{
    Destroy();
}

bool HiddenWindow::Create(HINSTANCE instance, LPCWSTR className)
{
    Destroy();
    WNDCLASS windowClass {};
    windowClass.lpfnWndProc = StaticWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    // A second object of the program finds the class already there.
    RegisterClass(&windowClass);
    m_window = CreateWindowEx(0, className, u"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!m_window)
        return false;
    SetWindowLong(m_window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void HiddenWindow::Destroy()
{
    if (!m_window)
        return;
    SetWindowLong(m_window, GWL_USERDATA, 0);
    DestroyWindow(m_window);
    m_window = nullptr;
}

void HiddenWindow::StartTimer(UINT_PTR id, UINT periodMs)
{
    SetTimer(m_window, id, periodMs, nullptr);
}

void HiddenWindow::StopTimer(UINT_PTR id)
{
    StopWindowTimer(m_window, id);
}

LRESULT HiddenWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* owner = reinterpret_cast<HiddenWindow*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (owner && owner->Handle(message, wParam, lParam))
        return 0;
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}
