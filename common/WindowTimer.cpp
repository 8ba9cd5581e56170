#include "common/WindowTimer.h"

void StopWindowTimer(HWND window, UINT_PTR id)
{
    KillTimer(window, id);
    MSG pending;
    while (PeekMessage(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
}
