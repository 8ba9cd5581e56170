// HiddenWindow: a window no one sees, made to receive messages and timers for an object of the
// program: the object's Handle gets every message while the window exists.
#pragma once

#include "platform/api/WinUser.h"

namespace vyx {

class HiddenWindow {
public:
    HiddenWindow() = default;
    virtual ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    // Registers the class (once per program) and creates the window; false when it cannot be made.
    bool Create(HINSTANCE, LPCWSTR className);
    void Destroy();
    HWND Window() const { return m_window; }

    void StartTimer(UINT_PTR id, UINT periodMs);
    // Kills the timer and drops its ticks already queued.
    void StopTimer(UINT_PTR id);

protected:
    // Whether the message was handled; others go to the default procedure.
    virtual bool Handle(UINT message, WPARAM, LPARAM) = 0;

private:
    static LRESULT StaticWindowProc(HWND, UINT, WPARAM, LPARAM);

    HWND m_window { nullptr };
};

}
