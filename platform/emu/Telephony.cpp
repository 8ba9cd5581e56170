#include "platform/emu/Telephony.h"

#include "platform/emu/Device.h"
#include "platform/emu/Process.h"
#include "platform/emu/TelephonyApp.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace emu {

namespace {

// Line applications, lines and calls take handles from ranges of their own, so that a handle in a
// transcript says what it names.
constexpr std::uintptr_t firstAppHandle = 0x00200001;
constexpr std::uintptr_t firstLineHandle = 0x00300001;
constexpr std::uintptr_t firstCallHandle = 0x00400001;

constexpr std::array<std::pair<std::string_view, DWORD>, 4> disconnectModes { {
    { "normal", LINEDISCONNECTMODE_NORMAL },
    { "busy", LINEDISCONNECTMODE_BUSY },
    { "reject", LINEDISCONNECTMODE_REJECT },
    { "noanswer", LINEDISCONNECTMODE_NOANSWER },
} };

std::string callText(HCALL call)
{
    return "call " + hexText(reinterpret_cast<std::uintptr_t>(call));
}

// The privilege with which a line sees a call, or 0 when it does not see it. A monitor sees every call
// of its device; an owner sees the incoming calls of a media mode it opened the line for.
DWORD privilegeFor(const OpenLine& line, const TelephonyCall& call)
{
    if (line.deviceId != call.deviceId)
        return 0;
    if ((line.privileges & LINECALLPRIVILEGE_OWNER) && !call.outgoing && (line.mediaModes & call.mediaMode))
        return LINECALLPRIVILEGE_OWNER;
    if (line.privileges & LINECALLPRIVILEGE_MONITOR)
        return LINECALLPRIVILEGE_MONITOR;
    return 0;
}

void expectIdentity(const PartyId& party, const char* step)
{
    const bool numbered = party.kind == PartyId::Kind::Number || party.kind == PartyId::Kind::Partial;
    if (numbered && party.number.empty())
        throw std::logic_error(std::string(step) + ": a number without digits");
}

}

Telephony::Telephony(Device& device)
    : m_device(device)
    , m_reinitAnswersLeft(device.profile().lineReinitAnswers)
    , m_nextApp(firstAppHandle)
    , m_nextLine(firstLineHandle)
{
}

Telephony::~Telephony() = default;

const std::vector<LineDeviceProfile>& Telephony::lineDevices() const
{
    return m_device.profile().lineDevices;
}

bool Telephony::isFailing(const std::string& function) const
{
    return m_device.profile().failingLineFunctions.contains(function);
}

bool Telephony::takeReinitAnswer()
{
    if (m_reinitAnswersLeft == 0)
        return false;
    --m_reinitAnswersLeft;
    return true;
}

HLINEAPP Telephony::initialize(Process& process, LINECALLBACK callback, std::u16string appName)
{
    const auto handle = reinterpret_cast<HLINEAPP>(m_nextApp++);
    auto app = std::make_shared<TelephonyApp>(handle, process, callback, std::move(appName));
    app->startCallbackThread(m_device);
    m_apps.push_back(std::move(app));
    return handle;
}

std::shared_ptr<TelephonyApp> Telephony::findApp(HLINEAPP handle, const Process& process) const
{
    const auto it = std::find_if(m_apps.begin(), m_apps.end(), [&](const auto& app) {
        return app->handle() == handle && &app->process() == &process && app->alive();
    });
    return it == m_apps.end() ? nullptr : *it;
}

void Telephony::shutDown(TelephonyApp& app)
{
    app.shutDown();
    std::erase_if(m_apps, [&](const auto& registered) { return registered.get() == &app; });
    m_device.scheduler().wakeWaiters();
}

HLINE Telephony::open(TelephonyApp& app, DWORD deviceId, DWORD_PTR instance, DWORD privileges, DWORD mediaModes)
{
    const auto handle = reinterpret_cast<HLINE>(m_nextLine++);
    app.lines().push_back(OpenLine { handle, deviceId, instance, privileges, mediaModes, {} });
    return handle;
}

bool Telephony::close(HLINE line, const Process& process)
{
    return std::any_of(m_apps.begin(), m_apps.end(), [&](const auto& app) {
        return &app->process() == &process && app->alive() && app->closeLine(line);
    });
}

void Telephony::setAppPriority(const std::u16string& appName, DWORD mediaMode, DWORD requestMode, DWORD priority)
{
    m_priorities[{ foldCase(appName), mediaMode, mediaMode ? 0 : requestMode }] = priority;
}

std::optional<DWORD> Telephony::appPriority(const std::u16string& appName, DWORD mediaMode, DWORD requestMode) const
{
    const auto it = m_priorities.find({ foldCase(appName), mediaMode, mediaMode ? 0 : requestMode });
    return it == m_priorities.end() ? std::nullopt : std::optional(it->second);
}

const TelephonyCall* Telephony::findCall(HCALL call) const
{
    const auto value = reinterpret_cast<std::uintptr_t>(call);
    if (value < firstCallHandle || value - firstCallHandle >= m_calls.size())
        return nullptr;
    return &m_calls[value - firstCallHandle];
}

HLINE Telephony::lineKnowing(const TelephonyCall& call, const Process& process) const
{
    for (const auto& app : m_apps) {
        if (&app->process() != &process || !app->alive())
            continue;
        for (const OpenLine& line : app->lines()) {
            if (line.knownCalls.contains(call.handle))
                return line.handle;
        }
    }
    return nullptr;
}

// ---- The network's side

TelephonyCall& Telephony::callFor(HCALL handle, const char* step)
{
    if (!findCall(handle))
        throw std::logic_error(std::string(step) + ": there is no " + callText(handle));
    TelephonyCall& call = m_calls[reinterpret_cast<std::uintptr_t>(handle) - firstCallHandle];
    if (call.ended())
        throw std::logic_error(std::string(step) + ": " + callText(handle) + " has ended");
    return call;
}

TelephonyCall& Telephony::addCall(bool outgoing)
{
    const auto& devices = lineDevices();
    const auto voice = std::find_if(devices.begin(), devices.end(), [](const LineDeviceProfile& line) {
        return (line.mediaModes & LINEMEDIAMODE_INTERACTIVEVOICE) != 0;
    });
    if (voice == devices.end())
        throw std::logic_error("the device has no line with interactive voice for the network's calls");
    const auto index = m_calls.size();
    m_calls.push_back(TelephonyCall {
        .handle = reinterpret_cast<HCALL>(firstCallHandle + index),
        .callId = static_cast<DWORD>(index + 1),
        .deviceId = static_cast<DWORD>(voice - devices.begin()),
        .mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE,
        .outgoing = outgoing,
        .state = 0,
        .caller = {},
        .called = {},
        .connected = {},
    });
    return m_calls.back();
}

HCALL Telephony::offerCall(const PartyId& caller)
{
    expectIdentity(caller, "offer");
    TelephonyCall& call = addCall(false);
    call.caller = caller;
    raise(call, LINE_CALLSTATE, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, "offering " + describe(caller));
    return call.handle;
}

void Telephony::reportCallerId(HCALL handle, const PartyId& caller)
{
    TelephonyCall& call = callFor(handle, "caller id");
    if (call.outgoing)
        throw std::logic_error("caller id: " + callText(handle) + " is an outgoing call");
    if (caller.kind == PartyId::Kind::Pending)
        throw std::logic_error("caller id: an identity that is still pending");
    expectIdentity(caller, "caller id");
    call.caller = caller;
    raise(call, LINE_CALLINFO, LINECALLINFOSTATE_CALLERID, 0, "caller id " + describe(caller));
}

HCALL Telephony::dialCall(const std::u16string& number)
{
    const PartyId called { PartyId::Kind::Number, number };
    expectIdentity(called, "dial");
    TelephonyCall& call = addCall(true);
    call.called = called;
    raise(call, LINE_CALLSTATE, LINECALLSTATE_DIALING, 0, "dialing " + describe(called));
    return call.handle;
}

void Telephony::reportConnectedParty(HCALL handle, const PartyId& party)
{
    TelephonyCall& call = callFor(handle, "connected id");
    if (!call.outgoing)
        throw std::logic_error("connected id: " + callText(handle) + " is an incoming call");
    if (party.kind == PartyId::Kind::Pending)
        throw std::logic_error("connected id: an identity that is still pending");
    expectIdentity(party, "connected id");
    call.connected = party;
    raise(call, LINE_CALLINFO, LINECALLINFOSTATE_CONNECTEDID, 0, "connected id " + describe(party));
}

void Telephony::reportBusy(HCALL handle)
{
    TelephonyCall& call = callFor(handle, "busy");
    if (!call.outgoing || call.state != LINECALLSTATE_DIALING)
        throw std::logic_error("busy: " + callText(handle) + " is not an outgoing call being dialled");
    raise(call, LINE_CALLSTATE, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION, "busy");
}

void Telephony::connectCall(HCALL handle)
{
    TelephonyCall& call = callFor(handle, "connect");
    if (call.state != LINECALLSTATE_OFFERING && call.state != LINECALLSTATE_DIALING)
        throw std::logic_error("connect: " + callText(handle) + " is neither offered nor being dialled");
    raise(call, LINE_CALLSTATE, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE, "connected");
}

void Telephony::dropCall(HCALL handle, DWORD disconnectMode)
{
    TelephonyCall& call = callFor(handle, "drop");
    const auto mode = std::find_if(disconnectModes.begin(), disconnectModes.end(), [&](const auto& m) { return m.second == disconnectMode; });
    if (mode == disconnectModes.end())
        throw std::logic_error("drop: no disconnect mode " + hexText(disconnectMode));
    raise(call, LINE_CALLSTATE, LINECALLSTATE_DISCONNECTED, disconnectMode, "disconnected " + std::string(mode->first));
}

std::optional<HCALL> Telephony::currentCall() const
{
    const auto it = std::find_if(m_calls.rbegin(), m_calls.rend(), [](const TelephonyCall& call) { return !call.ended(); });
    return it == m_calls.rend() ? std::nullopt : std::optional(it->handle);
}

std::optional<DWORD> Telephony::disconnectModeNamed(const std::string& name)
{
    const auto it = std::find_if(disconnectModes.begin(), disconnectModes.end(), [&](const auto& mode) { return mode.first == name; });
    return it == disconnectModes.end() ? std::nullopt : std::optional(it->second);
}

std::string Telephony::describe(const PartyId& party)
{
    switch (party.kind) {
    case PartyId::Kind::Number:
        return quotedText(party.number);
    case PartyId::Kind::Partial:
        return "partial " + quotedText(party.number);
    case PartyId::Kind::Withheld:
        return "withheld";
    case PartyId::Kind::Unavailable:
        return "unavailable";
    case PartyId::Kind::OutOfArea:
        return "outofarea";
    case PartyId::Kind::Pending:
        return "pending";
    }
    return {};
}

void Telephony::raise(TelephonyCall& call, DWORD message, DWORD param1, DWORD param2, const std::string& what)
{
    if (message == LINE_CALLSTATE)
        call.state = param1;
    m_device.transcript().event("line " + callText(call.handle) + " " + what);
    // Applications whose process has ended hear nothing more; they are forgotten here.
    std::erase_if(m_apps, [](const auto& app) { return !app->alive(); });
    const auto hDevice = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(call.handle));
    for (const auto& app : m_apps) {
        for (OpenLine& line : app->lines()) {
            const DWORD privilege = privilegeFor(line, call);
            if (!privilege)
                continue;
            // The first state a line hears of a call tells it the privilege it got on the call.
            const bool isNew = line.knownCalls.insert(call.handle).second;
            const DWORD_PTR param3 = message == LINE_CALLSTATE && isNew ? privilege : 0;
            app->queue(LineEvent { line.handle, hDevice, message, line.instance, param1, param2, param3 });
        }
    }
    m_device.scheduler().wakeWaiters();
}

}
