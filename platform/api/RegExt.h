// Registry change notifications: a window is told by a posted message whenever one named value
// changes, is created or is deleted.
#pragma once

#include "platform/api/WinReg.h"

struct HREGNOTIFY__;
using HREGNOTIFY = HREGNOTIFY__*;

// A condition on the new value that a notification would wait for. The device has none: the
// condition must be null, and every change is reported.
struct NOTIFICATIONCONDITION;

// Whenever `valueName` under `root`\`subKey` changes, `message` is posted to `window` with wParam =
// `userData` and lParam = the new value when it is a DWORD, 0 otherwise or when the value is gone.
// The key need not exist yet. The notification lasts until RegistryCloseNotification.
HRESULT RegistryNotifyWindow(HKEY root, LPCWSTR subKey, LPCWSTR valueName, HWND window, UINT message, DWORD userData,
                             NOTIFICATIONCONDITION* condition, HREGNOTIFY* notify);
HRESULT RegistryCloseNotification(HREGNOTIFY notify);
