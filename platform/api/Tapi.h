// Telephony of the device: the line functions of the core library (TAPI 1.3 to 2.0), through which
// a program watches the phone's lines and reads the parties of their calls.
#pragma once

#include "platform/api/WinTypes.h"

struct HLINEAPP__;
using HLINEAPP = HLINEAPP__*;
struct HLINE__;
using HLINE = HLINE__*;
struct HCALL__;
using HCALL = HCALL__*;

// hDevice is the line or call the message is about; instance is the one given to lineOpen.
using LINECALLBACK = void (*)(DWORD hDevice, DWORD message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2,
                              DWORD_PTR param3);

struct LINEEXTENSIONID {
    DWORD dwExtensionID0;
    DWORD dwExtensionID1;
    DWORD dwExtensionID2;
    DWORD dwExtensionID3;
};

struct LINEDIALPARAMS {
    DWORD dwDialPause;
    DWORD dwDialSpeed;
    DWORD dwDigitDuration;
    DWORD dwWaitForDialtone;
};

// The fixed part of a line device's capabilities; the texts follow it in the caller's buffer, at the
// offsets the fields give from the start of the structure.
struct LINEDEVCAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwProviderInfoSize;
    DWORD dwProviderInfoOffset;
    DWORD dwSwitchInfoSize;
    DWORD dwSwitchInfoOffset;
    DWORD dwPermanentLineID;
    DWORD dwLineNameSize;
    DWORD dwLineNameOffset;
    DWORD dwStringFormat;
    DWORD dwAddressModes;
    DWORD dwNumAddresses;
    DWORD dwBearerModes;
    DWORD dwMaxRate;
    DWORD dwMediaModes;
};

// The fixed part of a call's information; the parties' texts follow it in the caller's buffer.
struct LINECALLINFO {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    HLINE hLine;
    DWORD dwLineDeviceID;
    DWORD dwAddressID;
    DWORD dwBearerMode;
    DWORD dwRate;
    DWORD dwMediaMode;
    DWORD dwAppSpecific;
    DWORD dwCallID;
    DWORD dwRelatedCallID;
    DWORD dwCallParamFlags;
    DWORD dwCallStates;
    DWORD dwMonitorDigitModes;
    DWORD dwMonitorMediaModes;
    LINEDIALPARAMS DialParams;
    DWORD dwOrigin;
    DWORD dwReason;
    DWORD dwCompletionID;
    DWORD dwNumOwners;
    DWORD dwNumMonitors;
    DWORD dwCountryCode;
    DWORD dwTrunk;
    DWORD dwCallerIDFlags;
    DWORD dwCallerIDSize;
    DWORD dwCallerIDOffset;
    DWORD dwCallerIDNameSize;
    DWORD dwCallerIDNameOffset;
    DWORD dwCalledIDFlags;
    DWORD dwCalledIDSize;
    DWORD dwCalledIDOffset;
    DWORD dwCalledIDNameSize;
    DWORD dwCalledIDNameOffset;
    DWORD dwConnectedIDFlags;
    DWORD dwConnectedIDSize;
    DWORD dwConnectedIDOffset;
    DWORD dwConnectedIDNameSize;
    DWORD dwConnectedIDNameOffset;
};

struct LINECALLPARAMS;

// ---- Messages of the callback
constexpr DWORD LINE_CALLINFO = 1;
constexpr DWORD LINE_CALLSTATE = 2;

// ---- Call states (param1 of LINE_CALLSTATE)
constexpr DWORD LINECALLSTATE_OFFERING = 0x00000002;
constexpr DWORD LINECALLSTATE_DIALING = 0x00000010;
constexpr DWORD LINECALLSTATE_BUSY = 0x00000040;
constexpr DWORD LINECALLSTATE_CONNECTED = 0x00000100;
constexpr DWORD LINECALLSTATE_DISCONNECTED = 0x00004000;

// ---- Modes of a call state (param2 of LINE_CALLSTATE)
constexpr DWORD LINEOFFERINGMODE_ACTIVE = 0x00000001;
constexpr DWORD LINECONNECTEDMODE_ACTIVE = 0x00000001;
constexpr DWORD LINEBUSYMODE_STATION = 0x00000001;
constexpr DWORD LINEDISCONNECTMODE_NORMAL = 0x00000001;
constexpr DWORD LINEDISCONNECTMODE_REJECT = 0x00000004;
constexpr DWORD LINEDISCONNECTMODE_BUSY = 0x00000020;
constexpr DWORD LINEDISCONNECTMODE_NOANSWER = 0x00000040;

// ---- What changed in a call's information (param1 of LINE_CALLINFO)
constexpr DWORD LINECALLINFOSTATE_CALLERID = 0x00008000;
constexpr DWORD LINECALLINFOSTATE_CONNECTEDID = 0x00020000;

// ---- What is known of a party's identity (dwCallerIDFlags, dwCalledIDFlags, dwConnectedIDFlags)
constexpr DWORD LINECALLPARTYID_BLOCKED = 0x00000001;
constexpr DWORD LINECALLPARTYID_OUTOFAREA = 0x00000002;
constexpr DWORD LINECALLPARTYID_ADDRESS = 0x00000008;
constexpr DWORD LINECALLPARTYID_PARTIAL = 0x00000010;
constexpr DWORD LINECALLPARTYID_UNKNOWN = 0x00000020;
constexpr DWORD LINECALLPARTYID_UNAVAIL = 0x00000040;

// ---- Where a call came from (dwOrigin)
constexpr DWORD LINECALLORIGIN_OUTBOUND = 0x00000001;
constexpr DWORD LINECALLORIGIN_EXTERNAL = 0x00000004;

// ---- Privileges of an open line (param3 of the first LINE_CALLSTATE of a call says which one it got)
constexpr DWORD LINECALLPRIVILEGE_NONE = 0x00000001;
constexpr DWORD LINECALLPRIVILEGE_MONITOR = 0x00000002;
constexpr DWORD LINECALLPRIVILEGE_OWNER = 0x00000004;

// ---- Media modes
constexpr DWORD LINEMEDIAMODE_INTERACTIVEVOICE = 0x00000004;
constexpr DWORD LINEMEDIAMODE_DATAMODEM = 0x00000010;

// ---- Requests an application may take over (lineSetAppPriority with no media mode)
constexpr DWORD LINEREQUESTMODE_MAKECALL = 0x00000001;
constexpr DWORD LINEREQUESTMODE_MEDIACALL = 0x00000004;

constexpr DWORD STRINGFORMAT_UNICODE = 0x00000002;

// ---- Results: 0 is success, errors are negative
constexpr LONG LINEERR_BADDEVICEID = static_cast<LONG>(0x80000002);
constexpr LONG LINEERR_INCOMPATIBLEAPIVERSION = static_cast<LONG>(0x8000000C);
constexpr LONG LINEERR_INCOMPATIBLEEXTVERSION = static_cast<LONG>(0x8000000D);
constexpr LONG LINEERR_INVALAPPHANDLE = static_cast<LONG>(0x80000014);
constexpr LONG LINEERR_INVALAPPNAME = static_cast<LONG>(0x80000015);
constexpr LONG LINEERR_INVALCALLHANDLE = static_cast<LONG>(0x80000018);
constexpr LONG LINEERR_INVALLINEHANDLE = static_cast<LONG>(0x8000002B);
constexpr LONG LINEERR_INVALMEDIAMODE = static_cast<LONG>(0x8000002F);
constexpr LONG LINEERR_INVALPARAM = static_cast<LONG>(0x80000032);
constexpr LONG LINEERR_INVALPOINTER = static_cast<LONG>(0x80000035);
constexpr LONG LINEERR_INVALPRIVSELECT = static_cast<LONG>(0x80000036);
constexpr LONG LINEERR_INVALREQUESTMODE = static_cast<LONG>(0x80000038);
constexpr LONG LINEERR_OPERATIONFAILED = static_cast<LONG>(0x80000048);
constexpr LONG LINEERR_STRUCTURETOOSMALL = static_cast<LONG>(0x8000004D);
constexpr LONG LINEERR_REINIT = static_cast<LONG>(0x80000052);

// Registers the program as a line application; its callback runs on a thread the telephony service
// starts in the calling process. While the service restarts, the answer is LINEERR_REINIT.
LONG lineInitialize(HLINEAPP* lineApp, HINSTANCE instance, LINECALLBACK callback, LPCWSTR appName, DWORD* numDevs);
LONG lineShutdown(HLINEAPP lineApp);
LONG lineNegotiateAPIVersion(HLINEAPP lineApp, DWORD deviceID, DWORD apiLowVersion, DWORD apiHighVersion, DWORD* apiVersion,
                             LINEEXTENSIONID* extensionID);
LONG lineGetDevCaps(HLINEAPP lineApp, DWORD deviceID, DWORD apiVersion, DWORD extVersion, LINEDEVCAPS* lineDevCaps);
LONG lineOpen(HLINEAPP lineApp, DWORD deviceID, HLINE* line, DWORD apiVersion, DWORD extVersion, DWORD_PTR callbackInstance,
              DWORD privileges, DWORD mediaModes, const LINECALLPARAMS* callParams);
LONG lineClose(HLINE line);
LONG lineSetAppPriority(LPCWSTR appName, DWORD mediaMode, LINEEXTENSIONID* extensionID, DWORD requestMode,
                        LPCWSTR extensionName, DWORD priority);
LONG lineGetCallInfo(HCALL call, LINECALLINFO* callInfo);
