// The private messages of Vyx's main window. Their numbers are an interface of the program family:
// other programs post them to the window of class "VYX_MAINCLASS".
#pragma once

#include "platform/api/WinUser.h"

namespace vyx::messages {

constexpr UINT recallLastCaller = WM_USER + 107;
constexpr UINT showCallerScreen = WM_USER + 108;
constexpr UINT missedCallCountChanged = WM_USER + 109;

// Call events of the line monitor.
constexpr UINT incomingCall = WM_USER + 280;
constexpr UINT outgoingBusy = WM_USER + 281;
constexpr UINT outgoingConnected = WM_USER + 282;
constexpr UINT offerEnded = WM_USER + 283;
constexpr UINT callEnded = WM_USER + 284;
constexpr UINT missedGone = WM_USER + 285;
constexpr UINT reopenLine = WM_USER + 286;
constexpr UINT incomingAnswered = WM_USER + 287;

// Requests of the family's programs.
constexpr UINT familyNotice = WM_USER + 300;
constexpr UINT shutdown = WM_USER + 301;
constexpr UINT nameLookup = WM_USER + 302;
constexpr UINT reloadAlphabet = WM_USER + 303;
constexpr UINT reloadSkin = WM_USER + 304;
constexpr UINT reloadRingScript = WM_USER + 305;
constexpr UINT reloadCallFilter = WM_USER + 306;
constexpr UINT reloadRingtones = WM_USER + 307;
constexpr UINT familyReserved = WM_USER + 308;
constexpr UINT reinstallPhoneHooks = WM_USER + 309;

// The callback of a notification icon: wParam the icon's identifier, lParam the mouse message.
constexpr UINT notificationIcon = WM_USER + 2001;
constexpr UINT mainMenuIconId = 99;

}
