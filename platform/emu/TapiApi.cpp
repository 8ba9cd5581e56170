// The line functions of the device interface, carried out on the calling emulated thread: argument
// checks and the structures they fill, over the device's telephony service.
#include "platform/api/Tapi.h"

#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Process.h"
#include "platform/emu/Telephony.h"
#include "platform/emu/TelephonyApp.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

using namespace emu;

namespace {

// Single bits from LINEMEDIAMODE_UNKNOWN (0x2) up to LINEMEDIAMODE_VOICEVIEW (0x4000).
constexpr DWORD knownMediaModes = 0x00007FFE;
constexpr DWORD everyPrivilege = LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;

Telephony& telephony()
{
    return currentDevice().telephony();
}

Process& callingProcess()
{
    return currentThread()->process();
}

const LineDeviceProfile* lineDevice(DWORD deviceId)
{
    const auto& devices = telephony().lineDevices();
    return deviceId < devices.size() ? &devices[deviceId] : nullptr;
}

bool supportsVersion(const LineDeviceProfile& device, DWORD apiVersion)
{
    return apiVersion >= device.lowestApiVersion && apiVersion <= device.highestApiVersion;
}

// A text of a structure's variable part and the fields of the fixed part that place it.
template <class Fixed>
struct PlacedText {
    DWORD Fixed::*size;
    DWORD Fixed::*offset;
    std::u16string text;
};

// Fills a structure the caller declared dwTotalSize bytes long: the fixed part, and after it the texts
// (each with its terminating zero) when all of them fit; otherwise they are left out and dwNeededSize
// tells how much the caller should offer. A buffer below the fixed part is refused, and told the size
// it needs when it holds at least the three size fields.
template <class Fixed>
LONG fillStructure(Fixed* out, Fixed fixed, const std::vector<PlacedText<Fixed>>& texts)
{
    static_assert(std::is_trivially_copyable_v<Fixed>);
    if (!out)
        return LINEERR_INVALPOINTER;
    auto* const bytes = reinterpret_cast<std::byte*>(out);
    DWORD total = 0;
    std::memcpy(&total, bytes + offsetof(Fixed, dwTotalSize), sizeof total);
    DWORD needed = sizeof(Fixed);
    for (const auto& placed : texts) {
        if (!placed.text.empty())
            needed += static_cast<DWORD>((placed.text.size() + 1) * sizeof(char16_t));
    }
    if (total < sizeof(Fixed)) {
        if (total >= offsetof(Fixed, dwUsedSize) + sizeof(DWORD))
            std::memcpy(bytes + offsetof(Fixed, dwNeededSize), &needed, sizeof needed);
        return LINEERR_STRUCTURETOOSMALL;
    }
    fixed.dwTotalSize = total;
    fixed.dwNeededSize = needed;
    fixed.dwUsedSize = sizeof(Fixed);
    if (needed <= total) {
        for (const auto& placed : texts) {
            if (placed.text.empty())
                continue;
            const auto size = static_cast<DWORD>((placed.text.size() + 1) * sizeof(char16_t));
            std::memcpy(bytes + fixed.dwUsedSize, placed.text.c_str(), size);
            fixed.*placed.size = size;
            fixed.*placed.offset = fixed.dwUsedSize;
            fixed.dwUsedSize += size;
        }
    }
    std::memcpy(bytes, &fixed, sizeof(Fixed));
    return 0;
}

DWORD partyFlags(const PartyId& party)
{
    switch (party.kind) {
    case PartyId::Kind::Number:
        return LINECALLPARTYID_ADDRESS;
    case PartyId::Kind::Partial:
        return LINECALLPARTYID_PARTIAL;
    case PartyId::Kind::Withheld:
        return LINECALLPARTYID_BLOCKED;
    case PartyId::Kind::Unavailable:
        return LINECALLPARTYID_UNAVAIL;
    case PartyId::Kind::OutOfArea:
        return LINECALLPARTYID_OUTOFAREA;
    case PartyId::Kind::Pending:
        return LINECALLPARTYID_UNKNOWN;
    }
    return LINECALLPARTYID_UNKNOWN;
}

}

LONG lineInitialize(HLINEAPP* lineApp, HINSTANCE, LINECALLBACK callback, LPCWSTR appName, DWORD* numDevs)
{
    if (!lineApp || !callback || !numDevs)
        return LINEERR_INVALPOINTER;
    Telephony& service = telephony();
    if (service.isFailing("lineInitialize"))
        return LINEERR_OPERATIONFAILED;
    if (service.takeReinitAnswer()) {
        // The service is restarting: the answer comes after a while.
        Device& device = currentDevice();
        device.scheduler().block(WaitRequest { nullptr, device.clock().now() + device.profile().lineReinitMs, "lineInitialize" });
        return LINEERR_REINIT;
    }
    Process& process = callingProcess();
    // Without a name the application is known by its program's name.
    std::u16string name = appName && *appName ? std::u16string(appName) : fromUtf8(process.name());
    *lineApp = service.initialize(process, callback, std::move(name));
    *numDevs = static_cast<DWORD>(service.lineDevices().size());
    return 0;
}

LONG lineShutdown(HLINEAPP lineApp)
{
    Telephony& service = telephony();
    const auto app = service.findApp(lineApp, callingProcess());
    if (!app)
        return LINEERR_INVALAPPHANDLE;
    service.shutDown(*app);
    return 0;
}

LONG lineNegotiateAPIVersion(HLINEAPP lineApp, DWORD deviceID, DWORD apiLowVersion, DWORD apiHighVersion, DWORD* apiVersion,
                             LINEEXTENSIONID* extensionID)
{
    Telephony& service = telephony();
    if (!service.findApp(lineApp, callingProcess()))
        return LINEERR_INVALAPPHANDLE;
    const LineDeviceProfile* device = lineDevice(deviceID);
    if (!device)
        return LINEERR_BADDEVICEID;
    if (!apiVersion)
        return LINEERR_INVALPOINTER;
    if (service.isFailing("lineNegotiateAPIVersion"))
        return LINEERR_OPERATIONFAILED;
    const DWORD highest = std::min(apiHighVersion, device->highestApiVersion);
    if (highest < apiLowVersion || highest < device->lowestApiVersion)
        return LINEERR_INCOMPATIBLEAPIVERSION;
    *apiVersion = highest;
    // The devices offer no extensions.
    if (extensionID)
        *extensionID = LINEEXTENSIONID {};
    return 0;
}

LONG lineGetDevCaps(HLINEAPP lineApp, DWORD deviceID, DWORD apiVersion, DWORD extVersion, LINEDEVCAPS* lineDevCaps)
{
    Telephony& service = telephony();
    if (!service.findApp(lineApp, callingProcess()))
        return LINEERR_INVALAPPHANDLE;
    const LineDeviceProfile* device = lineDevice(deviceID);
    if (!device)
        return LINEERR_BADDEVICEID;
    if (!supportsVersion(*device, apiVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (extVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    if (service.isFailing("lineGetDevCaps"))
        return LINEERR_OPERATIONFAILED;
    LINEDEVCAPS caps {};
    caps.dwPermanentLineID = deviceID + 1;
    caps.dwStringFormat = STRINGFORMAT_UNICODE;
    caps.dwNumAddresses = 1;
    caps.dwMediaModes = device->mediaModes;
    return fillStructure(lineDevCaps, caps, { { &LINEDEVCAPS::dwLineNameSize, &LINEDEVCAPS::dwLineNameOffset, device->name } });
}

LONG lineOpen(HLINEAPP lineApp, DWORD deviceID, HLINE* line, DWORD apiVersion, DWORD extVersion, DWORD_PTR callbackInstance,
              DWORD privileges, DWORD mediaModes, const LINECALLPARAMS*)
{
    Telephony& service = telephony();
    const auto app = service.findApp(lineApp, callingProcess());
    if (!app)
        return LINEERR_INVALAPPHANDLE;
    const LineDeviceProfile* device = lineDevice(deviceID);
    if (!device)
        return LINEERR_BADDEVICEID;
    if (!line)
        return LINEERR_INVALPOINTER;
    if (!supportsVersion(*device, apiVersion))
        return LINEERR_INCOMPATIBLEAPIVERSION;
    if (extVersion != 0)
        return LINEERR_INCOMPATIBLEEXTVERSION;
    // No privilege goes with another; monitor and owner go together.
    if (privileges == 0 || (privileges & ~everyPrivilege) || ((privileges & LINECALLPRIVILEGE_NONE) && privileges != LINECALLPRIVILEGE_NONE))
        return LINEERR_INVALPRIVSELECT;
    // The media modes count only for an owner, which must name some that the device carries.
    if ((privileges & LINECALLPRIVILEGE_OWNER) && (mediaModes == 0 || (mediaModes & ~device->mediaModes)))
        return LINEERR_INVALMEDIAMODE;
    if (service.isFailing("lineOpen"))
        return LINEERR_OPERATIONFAILED;
    *line = service.open(*app, deviceID, callbackInstance, privileges, mediaModes);
    return 0;
}

LONG lineClose(HLINE line)
{
    Telephony& service = telephony();
    if (service.isFailing("lineClose"))
        return LINEERR_OPERATIONFAILED;
    return service.close(line, callingProcess()) ? 0 : LINEERR_INVALLINEHANDLE;
}

LONG lineSetAppPriority(LPCWSTR appName, DWORD mediaMode, LINEEXTENSIONID*, DWORD requestMode, LPCWSTR, DWORD priority)
{
    if (!appName || !*appName)
        return LINEERR_INVALAPPNAME;
    if (mediaMode != 0 && (!std::has_single_bit(mediaMode) || (mediaMode & ~knownMediaModes)))
        return LINEERR_INVALMEDIAMODE;
    if (mediaMode == 0 && requestMode != LINEREQUESTMODE_MAKECALL && requestMode != LINEREQUESTMODE_MEDIACALL)
        return LINEERR_INVALREQUESTMODE;
    if (priority > 1)
        return LINEERR_INVALPARAM;
    Telephony& service = telephony();
    if (service.isFailing("lineSetAppPriority"))
        return LINEERR_OPERATIONFAILED;
    service.setAppPriority(appName, mediaMode, requestMode, priority);
    return 0;
}

LONG lineGetCallInfo(HCALL call, LINECALLINFO* callInfo)
{
    Telephony& service = telephony();
    const TelephonyCall* known = service.findCall(call);
    if (!known)
        return LINEERR_INVALCALLHANDLE;
    if (!callInfo)
        return LINEERR_INVALPOINTER;
    if (service.isFailing("lineGetCallInfo"))
        return LINEERR_OPERATIONFAILED;
    LINECALLINFO info {};
    info.hLine = service.lineKnowing(*known, callingProcess());
    info.dwLineDeviceID = known->deviceId;
    info.dwMediaMode = known->mediaMode;
    info.dwCallID = known->callId;
    info.dwOrigin = known->outgoing ? LINECALLORIGIN_OUTBOUND : LINECALLORIGIN_EXTERNAL;
    info.dwCallerIDFlags = partyFlags(known->caller);
    info.dwCalledIDFlags = partyFlags(known->called);
    info.dwConnectedIDFlags = partyFlags(known->connected);
    return fillStructure(callInfo, info, {
        { &LINECALLINFO::dwCallerIDSize, &LINECALLINFO::dwCallerIDOffset, known->caller.number },
        { &LINECALLINFO::dwCalledIDSize, &LINECALLINFO::dwCalledIDOffset, known->called.number },
        { &LINECALLINFO::dwConnectedIDSize, &LINECALLINFO::dwConnectedIDOffset, known->connected.number },
    });
}
