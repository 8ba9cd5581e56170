// Stopping a window's timer for good: killing it leaves the ticks already queued, which would still
// arrive; they are taken out too.
#pragma once

#include "platform/api/WinUser.h"

void StopWindowTimer(HWND window, UINT_PTR id);
