// Telephony: what a program monitoring the voice line hears through its callback while the network
// offers, dials, connects and ends calls; what lineGetCallInfo and lineGetDevCaps fill in; which lines
// hear which calls; the callback thread; and how the line functions refuse what they cannot do.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/ProcessStorage.h"
#include "platform/api/Tapi.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Telephony.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using emu::PartyId;
using testing_support::caseName;
using testing_support::createScriptedWindow;
using testing_support::MessageHandler;
using testing_support::registerScriptedClass;
using testing_support::runMessageLoop;
using Kind = emu::PartyId::Kind;

namespace {

constexpr DWORD lowestVersion = 0x00010003;
constexpr DWORD highestVersion = 0x00020002;
constexpr DWORD_PTR monitorInstance = 0x5EED;
constexpr UINT closeLines = WM_USER + 1;
constexpr UINT shutDownLines = WM_USER + 2;

PartyId number(const std::u16string& digits)
{
    return { Kind::Number, digits };
}

PartyId partial(const std::u16string& digits)
{
    return { Kind::Partial, digits };
}

PartyId withoutNumber(Kind kind)
{
    return { kind, {} };
}

DWORD handleValue(HCALL call)
{
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(call));
}

// One call of the callback.
struct LineMessage {
    DWORD hDevice;
    DWORD message;
    DWORD_PTR instance;
    DWORD_PTR param1;
    DWORD_PTR param2;
    DWORD_PTR param3;

    bool operator==(const LineMessage&) const = default;
    friend void PrintTo(const LineMessage& m, std::ostream* out)
    {
        *out << emu::hexText(m.hDevice) << (m.message == LINE_CALLSTATE ? " CALLSTATE " : m.message == LINE_CALLINFO ? " CALLINFO " : " ?")
             << emu::hexText(m.param1) << " " << emu::hexText(m.param2) << " " << emu::hexText(m.param3) << " instance "
             << emu::hexText(m.instance);
    }
};

// A party as a program reads it from the call information: "caller 0x00000008 \"+79161234567\"".
std::string identity(const char* which, DWORD flags, const std::u16string& text)
{
    return std::string(which) + " " + emu::hexText(flags) + (text.empty() ? "" : " " + emu::quotedText(text));
}

// The text a structure places at `offset`, `size` bytes with its terminating zero; a text that runs past
// the buffer or lacks its zero fails the test.
std::u16string textAt(const std::vector<std::byte>& buffer, DWORD size, DWORD offset)
{
    if (size == 0)
        return {};
    if (offset + size > buffer.size() || size % 2 != 0) {
        ADD_FAILURE() << size << " bytes at " << offset << " do not fit a buffer of " << buffer.size();
        return {};
    }
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), buffer.data() + offset, size);
    if (text.back() != u'\0')
        ADD_FAILURE() << "a text without its terminating zero";
    text.pop_back();
    return text;
}

// A structure as a program reads it: first its fixed part, then again with the size the service
// says it needs. Empty when the service refuses.
template <class Fixed>
std::vector<std::byte> readGrowing(const std::function<LONG(Fixed*)>& query)
{
    std::vector<std::byte> buffer(sizeof(Fixed));
    for (;;) {
        auto* fixed = reinterpret_cast<Fixed*>(buffer.data());
        fixed->dwTotalSize = static_cast<DWORD>(buffer.size());
        const LONG result = query(fixed);
        if (result != 0 && result != LINEERR_STRUCTURETOOSMALL)
            return {};
        if (result == 0 && fixed->dwNeededSize <= fixed->dwTotalSize)
            return buffer;
        buffer.resize(fixed->dwNeededSize);
    }
}

std::vector<std::byte> readCallInfo(HCALL call)
{
    return readGrowing<LINECALLINFO>([call](LINECALLINFO* info) { return lineGetCallInfo(call, info); });
}

// A line the monitor opens.
struct LineRequest {
    DWORD device;
    DWORD privileges;
    DWORD mediaModes;
    DWORD_PTR instance;
};

// The monitor program's settings and what it noted. The test owns it; the program reaches it from its
// callback through a process-wide value, as a real program reaches its line monitor.
struct Monitor {
    // The lines to open; with none, the first device with interactive voice is opened for monitoring.
    std::vector<LineRequest> requests;
    DWORD callbackSleep { 0 };
    bool shutDownAtEnd { true };

    LONG initResult { -1 };
    std::vector<DWORD> reinitTicks;
    DWORD mainThread { 0 };
    // "1 0x00020000 0x00000004 \"Cellular Line\"": device, negotiated version, media modes, name.
    std::vector<std::string> devices;
    std::optional<DWORD> openedDevice;
    std::vector<HLINE> lines;
    LONG priorityResult { -1 };
    HWND window { nullptr };
    std::vector<LONG> closeResults;
    std::vector<LONG> shutdownResults;

    std::vector<LineMessage> messages;
    std::vector<DWORD> callbackThreads;
    std::vector<DWORD> callbackProcesses;
    // "10-110": the ticks at which each callback began and ended.
    std::vector<std::string> spans;
    // The parties lineGetCallInfo gave when the callback heard of them.
    std::vector<std::string> identities;
    // "device 1 line 0": the device and the monitor's line (by its index) the call information named.
    std::vector<std::string> callLines;
};

void noteCallInfo(Monitor& monitor, HCALL call, bool caller)
{
    const auto buffer = readCallInfo(call);
    if (buffer.empty()) {
        ADD_FAILURE() << "lineGetCallInfo refused a call the line reported";
        return;
    }
    const auto& info = *reinterpret_cast<const LINECALLINFO*>(buffer.data());
    monitor.identities.push_back(caller ? identity("caller", info.dwCallerIDFlags, textAt(buffer, info.dwCallerIDSize, info.dwCallerIDOffset))
                                        : identity("connected", info.dwConnectedIDFlags,
                                                   textAt(buffer, info.dwConnectedIDSize, info.dwConnectedIDOffset)));
    const auto line = std::find(monitor.lines.begin(), monitor.lines.end(), info.hLine);
    monitor.callLines.push_back("device " + std::to_string(info.dwLineDeviceID) + " line "
        + (line == monitor.lines.end() ? "none" : std::to_string(line - monitor.lines.begin())));
}

void recordLineMessage(DWORD hDevice, DWORD message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2, DWORD_PTR param3)
{
    Monitor& monitor = *platform::processGlobal<Monitor*>();
    const DWORD entered = GetTickCount();
    monitor.messages.push_back({ hDevice, message, instance, param1, param2, param3 });
    monitor.callbackThreads.push_back(GetCurrentThreadId());
    monitor.callbackProcesses.push_back(GetCurrentProcessId());
    const HCALL call = reinterpret_cast<HCALL>(static_cast<std::uintptr_t>(hDevice));
    if ((message == LINE_CALLSTATE && param1 == LINECALLSTATE_OFFERING) || (message == LINE_CALLINFO && param1 == LINECALLINFOSTATE_CALLERID))
        noteCallInfo(monitor, call, true);
    if (message == LINE_CALLINFO && param1 == LINECALLINFOSTATE_CONNECTEDID)
        noteCallInfo(monitor, call, false);
    if (monitor.callbackSleep)
        Sleep(monitor.callbackSleep);
    monitor.spans.push_back(std::to_string(entered) + "-" + std::to_string(GetTickCount()));
}

// Initialises as "Monitor", negotiates and reads the capabilities of every device, opens its lines and
// takes itself out of the hand-off list for voice calls. Then it runs a window that closes its lines or
// shuts the application down on request, until it is closed.
int monitorMain(Monitor& monitor)
{
    platform::processGlobal<Monitor*>() = &monitor;
    monitor.mainThread = GetCurrentThreadId();
    HLINEAPP app {};
    DWORD deviceCount = 0;
    LONG result = 0;
    while ((result = lineInitialize(&app, GetModuleHandle(nullptr), recordLineMessage, u"Monitor", &deviceCount)) == LINEERR_REINIT)
        monitor.reinitTicks.push_back(GetTickCount());
    monitor.initResult = result;
    if (result != 0)
        return 1;

    std::vector<DWORD> versions(deviceCount);
    for (DWORD device = 0; device < deviceCount; ++device) {
        LINEEXTENSIONID extension { 1, 2, 3, 4 };
        if (lineNegotiateAPIVersion(app, device, lowestVersion, highestVersion, &versions[device], &extension) != 0) {
            monitor.devices.push_back(std::to_string(device) + " incompatible");
            continue;
        }
        EXPECT_EQ(extension.dwExtensionID0 | extension.dwExtensionID1 | extension.dwExtensionID2 | extension.dwExtensionID3, 0u);
        const DWORD version = versions[device];
        const auto buffer
            = readGrowing<LINEDEVCAPS>([&](LINEDEVCAPS* caps) { return lineGetDevCaps(app, device, version, 0, caps); });
        const auto& caps = *reinterpret_cast<const LINEDEVCAPS*>(buffer.data());
        monitor.devices.push_back(std::to_string(device) + " " + emu::hexText(version) + " " + emu::hexText(caps.dwMediaModes) + " "
            + emu::quotedText(textAt(buffer, caps.dwLineNameSize, caps.dwLineNameOffset)));
        if (monitor.requests.empty() && !monitor.openedDevice && (caps.dwMediaModes & LINEMEDIAMODE_INTERACTIVEVOICE)) {
            monitor.openedDevice = device;
            monitor.requests.push_back({ device, LINECALLPRIVILEGE_MONITOR, caps.dwMediaModes, monitorInstance });
        }
    }
    for (const LineRequest& request : monitor.requests) {
        HLINE line {};
        const LONG opened = lineOpen(app, request.device, &line, versions.at(request.device), 0, request.instance, request.privileges,
                                     request.mediaModes, nullptr);
        EXPECT_EQ(opened, 0) << "device " << request.device;
        monitor.lines.push_back(line);
    }
    monitor.priorityResult = lineSetAppPriority(u"Monitor", LINEMEDIAMODE_INTERACTIVEVOICE, nullptr, 0, nullptr, 0);

    MessageHandler handler = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        switch (message) {
        case closeLines:
            for (const HLINE line : monitor.lines)
                monitor.closeResults.push_back(lineClose(line));
            return 0;
        case shutDownLines:
            monitor.shutdownResults.push_back(lineShutdown(app));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return std::nullopt;
        }
    };
    registerScriptedClass();
    monitor.window = createScriptedWindow(handler, {});
    runMessageLoop();
    if (monitor.shutDownAtEnd)
        lineShutdown(app);
    return 0;
}

class TelephonyTest : public testing_support::DeviceFixture {
protected:
    // The device goes first: its threads may still be using what the test owns.
    ~TelephonyTest() override { device.reset(); }

    void startMonitor()
    {
        monitorProcess = start(u"monitor", [this] { return monitorMain(monitor); });
        device->runUntilIdle();
    }

    void post(UINT message)
    {
        ASSERT_TRUE(device->windows().postFromDriver(monitor.window, message, 0, 0));
        device->runUntilIdle();
    }

    void stopMonitor()
    {
        post(WM_CLOSE);
        EXPECT_EQ(device->runUntil([&] { return monitorProcess->finished(); }, std::nullopt), emu::RunOutcome::Done)
            << device->deadlockReport();
    }

    emu::Telephony& network() { return device->telephony(); }

    // The transcript's line events, without their time stamps.
    std::vector<std::string> lineEvents() const
    {
        std::vector<std::string> events;
        std::istringstream lines(transcript());
        for (std::string line; std::getline(lines, line);) {
            const auto at = line.find("] line ");
            if (at != std::string::npos)
                events.push_back(line.substr(at + 2));
        }
        return events;
    }

    Monitor monitor;
    std::shared_ptr<emu::Process> monitorProcess;
};

// ---- The monitor finds the voice line

TEST_F(TelephonyTest, MonitorReadsEveryDeviceAndOpensTheVoiceLine)
{
    EXPECT_EQ(network().appPriority(u"Monitor", LINEMEDIAMODE_INTERACTIVEVOICE), std::nullopt);
    startMonitor();
    EXPECT_EQ(monitor.initResult, 0);
    EXPECT_EQ(monitor.devices, (std::vector<std::string> { "0 0x00020000 0x00000010 \"Cellular Data\"",
                                   "1 0x00020000 0x00000004 \"Cellular Line\"" }));
    EXPECT_EQ(monitor.openedDevice, 1u);
    EXPECT_EQ(monitor.priorityResult, 0);
    // The hand-off priority is kept by application name, which compares without regard to case.
    EXPECT_EQ(network().appPriority(u"MONITOR", LINEMEDIAMODE_INTERACTIVEVOICE), 0u);
    EXPECT_EQ(network().appPriority(u"Monitor", LINEMEDIAMODE_DATAMODEM), std::nullopt);
    stopMonitor();
}

TEST_F(TelephonyTest, HandOffPriorityIsKeptPerMediaModeOrRequest)
{
    runProgram([] {
        EXPECT_EQ(lineSetAppPriority(u"Dialer", 0, nullptr, LINEREQUESTMODE_MAKECALL, nullptr, 1), 0);
        EXPECT_EQ(lineSetAppPriority(u"Dialer", LINEMEDIAMODE_DATAMODEM, nullptr, 0, nullptr, 1), 0);
        EXPECT_EQ(lineSetAppPriority(u"Dialer", LINEMEDIAMODE_INTERACTIVEVOICE, nullptr, 0, nullptr, 1), 0);
        EXPECT_EQ(lineSetAppPriority(u"Dialer", LINEMEDIAMODE_INTERACTIVEVOICE, nullptr, 0, nullptr, 0), 0);
        return 0;
    });
    EXPECT_EQ(network().appPriority(u"Dialer", 0, LINEREQUESTMODE_MAKECALL), 1u);
    EXPECT_EQ(network().appPriority(u"Dialer", 0, LINEREQUESTMODE_MEDIACALL), std::nullopt);
    EXPECT_EQ(network().appPriority(u"Dialer", LINEMEDIAMODE_DATAMODEM), 1u);
    // With a media mode the request mode does not count.
    EXPECT_EQ(network().appPriority(u"Dialer", LINEMEDIAMODE_DATAMODEM, LINEREQUESTMODE_MAKECALL), 1u);
    // The last priority given wins.
    EXPECT_EQ(network().appPriority(u"dialer", LINEMEDIAMODE_INTERACTIVEVOICE), 0u);
    EXPECT_EQ(network().appPriority(u"Monitor", LINEMEDIAMODE_INTERACTIVEVOICE), std::nullopt);
}

struct LineChoiceCase {
    const char* name;
    friend void PrintTo(const LineChoiceCase& tested, std::ostream* out) { *out << tested.name; }
    std::vector<emu::LineDeviceProfile> lines;
    std::vector<std::string> devices;
    DWORD opened;
};

class LineChoiceTest
    : public TelephonyTest
    , public ::testing::WithParamInterface<LineChoiceCase> { };

TEST_P(LineChoiceTest, MonitorOpensTheFirstVoiceLineAndHearsTheCallsOnIt)
{
    emu::DeviceProfile profile;
    profile.lineDevices = GetParam().lines;
    resetDevice(profile);
    startMonitor();
    EXPECT_EQ(monitor.devices, GetParam().devices);
    EXPECT_EQ(monitor.openedDevice, GetParam().opened);
    network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    EXPECT_EQ(monitor.callLines, (std::vector<std::string> { "device " + std::to_string(GetParam().opened) + " line 0" }));
    stopMonitor();
}

const emu::LineDeviceProfile dataLine { .name = u"Data", .mediaModes = LINEMEDIAMODE_DATAMODEM };
const emu::LineDeviceProfile voiceLine { .name = u"Voice", .mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE };
const emu::LineDeviceProfile voiceAndDataLine { .name = u"Both", .mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM };

INSTANTIATE_TEST_SUITE_P(Profiles, LineChoiceTest,
    ::testing::Values(
        LineChoiceCase { "OnlyTheSecondDeviceCarriesVoice", { dataLine, voiceLine },
            { "0 0x00020000 0x00000010 \"Data\"", "1 0x00020000 0x00000004 \"Voice\"" }, 1 },
        LineChoiceCase { "TheFirstDeviceCarriesVoice", { voiceLine, dataLine },
            { "0 0x00020000 0x00000004 \"Voice\"", "1 0x00020000 0x00000010 \"Data\"" }, 0 },
        LineChoiceCase { "TheVoiceLineCarriesDataToo", { dataLine, voiceAndDataLine, voiceLine },
            { "0 0x00020000 0x00000010 \"Data\"", "1 0x00020000 0x00000014 \"Both\"", "2 0x00020000 0x00000004 \"Voice\"" }, 1 }),
    caseName<LineChoiceCase>);

TEST_F(TelephonyTest, DeviceWithoutAVoiceLineTakesNoCalls)
{
    emu::DeviceProfile profile;
    profile.lineDevices = { dataLine };
    resetDevice(profile);
    startMonitor();
    EXPECT_EQ(monitor.openedDevice, std::nullopt);
    EXPECT_THROW(network().offerCall(number(u"+79161234567")), std::logic_error);
    EXPECT_THROW(network().dialCall(u"112"), std::logic_error);
    EXPECT_EQ(network().currentCall(), std::nullopt);
    stopMonitor();
}

TEST_F(TelephonyTest, NegotiationSettlesOnTheHighestVersionBothSidesSupport)
{
    emu::DeviceProfile profile;
    profile.lineDevices = { { .name = u"Old", .mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE, .lowestApiVersion = 0x00010003,
                                .highestApiVersion = 0x00010004 },
        { .name = u"New", .mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE, .lowestApiVersion = 0x00020000, .highestApiVersion = 0x00030000 },
        { .name = u"Newer", .mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE, .lowestApiVersion = 0x00030000,
            .highestApiVersion = 0x00030001 } };
    resetDevice(profile);
    startMonitor();
    EXPECT_EQ(monitor.devices, (std::vector<std::string> { "0 0x00010004 0x00000004 \"Old\"", "1 0x00020002 0x00000004 \"New\"",
                                   "2 incompatible" }));
    stopMonitor();
}

// ---- Calls as the monitor hears them

using NetworkStep = std::function<void(emu::Telephony&, HCALL&)>;

NetworkStep offer(const PartyId& caller)
{
    return [caller](emu::Telephony& network, HCALL& call) { call = network.offerCall(caller); };
}

NetworkStep callerIdArrives(const PartyId& caller)
{
    return [caller](emu::Telephony& network, HCALL& call) { network.reportCallerId(call, caller); };
}

NetworkStep dial(const std::u16string& digits)
{
    return [digits](emu::Telephony& network, HCALL& call) { call = network.dialCall(digits); };
}

NetworkStep partyReported(const PartyId& party)
{
    return [party](emu::Telephony& network, HCALL& call) { network.reportConnectedParty(call, party); };
}

NetworkStep busy()
{
    return [](emu::Telephony& network, HCALL& call) { network.reportBusy(call); };
}

NetworkStep connect()
{
    return [](emu::Telephony& network, HCALL& call) { network.connectCall(call); };
}

NetworkStep drop(DWORD mode)
{
    return [mode](emu::Telephony& network, HCALL& call) { network.dropCall(call, mode); };
}

// A callback message about the scenario's call, through the monitor's line.
struct Heard {
    DWORD message;
    DWORD_PTR param1;
    DWORD_PTR param2;
    DWORD_PTR param3;
};

Heard state(DWORD callState, DWORD mode, DWORD privilege = 0)
{
    return { LINE_CALLSTATE, callState, mode, privilege };
}

Heard infoChanged(DWORD changed)
{
    return { LINE_CALLINFO, changed, 0, 0 };
}

struct CallScenario {
    const char* name;
    friend void PrintTo(const CallScenario& tested, std::ostream* out) { *out << tested.name; }
    std::vector<NetworkStep> steps;
    std::vector<Heard> heard;
    // The parties the monitor read when it heard of them, the events in the transcript.
    std::vector<std::string> identities;
    std::vector<std::string> transcript;
};

class CallScenarioTest
    : public TelephonyTest
    , public ::testing::WithParamInterface<CallScenario> {
protected:
    std::vector<LineMessage> expectedMessages(HCALL call) const
    {
        std::vector<LineMessage> expected;
        for (const Heard& heard : GetParam().heard)
            expected.push_back({ handleValue(call), heard.message, monitorInstance, heard.param1, heard.param2, heard.param3 });
        return expected;
    }
};

TEST_P(CallScenarioTest, MonitorHearsEachEventAsTheNetworkRaisesIt)
{
    startMonitor();
    HCALL call {};
    for (const NetworkStep& step : GetParam().steps) {
        step(network(), call);
        device->runUntilIdle();
    }
    EXPECT_EQ(monitor.messages, expectedMessages(call));
    EXPECT_EQ(monitor.identities, GetParam().identities);
    EXPECT_EQ(lineEvents(), GetParam().transcript);
    EXPECT_EQ(network().currentCall(), std::nullopt);
    stopMonitor();
}

TEST_P(CallScenarioTest, EventsRaisedTogetherArriveOneByOneInTheirOrder)
{
    startMonitor();
    HCALL call {};
    for (const NetworkStep& step : GetParam().steps)
        step(network(), call);
    device->runUntilIdle();
    EXPECT_EQ(monitor.messages, expectedMessages(call));
    stopMonitor();
}

const std::string firstCall = "line call 0x00400001 ";

INSTANTIATE_TEST_SUITE_P(Calls, CallScenarioTest,
    ::testing::Values(
        CallScenario { "IncomingCallUnanswered",
            { offer(number(u"+79161234567")), drop(LINEDISCONNECTMODE_NORMAL) },
            { state(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_MONITOR),
                state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL) },
            { identity("caller", LINECALLPARTYID_ADDRESS, u"+79161234567") },
            { firstCall + "offering \"+79161234567\"", firstCall + "disconnected normal" } },
        CallScenario { "IncomingCallAnsweredThenDropped",
            { offer(number(u"+79161234567")), connect(), drop(LINEDISCONNECTMODE_NORMAL) },
            { state(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_MONITOR),
                state(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE), state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL) },
            { identity("caller", LINECALLPARTYID_ADDRESS, u"+79161234567") },
            { firstCall + "offering \"+79161234567\"", firstCall + "connected", firstCall + "disconnected normal" } },
        CallScenario { "IncomingWithheldCallRejected",
            { offer(withoutNumber(Kind::Withheld)), drop(LINEDISCONNECTMODE_REJECT) },
            { state(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_MONITOR),
                state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT) },
            { identity("caller", LINECALLPARTYID_BLOCKED, u"") },
            { firstCall + "offering withheld", firstCall + "disconnected reject" } },
        CallScenario { "IncomingCallWhoseIdentityArrivesLate",
            { offer(withoutNumber(Kind::Pending)), callerIdArrives(number(u"84951234567")), connect(), drop(LINEDISCONNECTMODE_BUSY) },
            { state(LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_MONITOR), infoChanged(LINECALLINFOSTATE_CALLERID),
                state(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE), state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BUSY) },
            { identity("caller", LINECALLPARTYID_UNKNOWN, u""), identity("caller", LINECALLPARTYID_ADDRESS, u"84951234567") },
            { firstCall + "offering pending", firstCall + "caller id \"84951234567\"", firstCall + "connected",
                firstCall + "disconnected busy" } },
        CallScenario { "OutgoingCallFindsThePartyBusy",
            { dial(u"+74951112233"), partyReported(number(u"+74951112233")), busy(), drop(LINEDISCONNECTMODE_BUSY) },
            { state(LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_MONITOR), infoChanged(LINECALLINFOSTATE_CONNECTEDID),
                state(LINECALLSTATE_BUSY, LINEBUSYMODE_STATION), state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BUSY) },
            { identity("connected", LINECALLPARTYID_ADDRESS, u"+74951112233") },
            { firstCall + "dialing \"+74951112233\"", firstCall + "connected id \"+74951112233\"", firstCall + "busy",
                firstCall + "disconnected busy" } },
        CallScenario { "OutgoingCallDisconnectedBusyWithoutABusyState",
            { dial(u"+74951112233"), partyReported(number(u"+74951112233")), drop(LINEDISCONNECTMODE_BUSY) },
            { state(LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_MONITOR), infoChanged(LINECALLINFOSTATE_CONNECTEDID),
                state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BUSY) },
            { identity("connected", LINECALLPARTYID_ADDRESS, u"+74951112233") },
            { firstCall + "dialing \"+74951112233\"", firstCall + "connected id \"+74951112233\"", firstCall + "disconnected busy" } },
        CallScenario { "OutgoingCallAnswered",
            { dial(u"112"), partyReported(withoutNumber(Kind::Withheld)), connect(), drop(LINEDISCONNECTMODE_NORMAL) },
            { state(LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_MONITOR), infoChanged(LINECALLINFOSTATE_CONNECTEDID),
                state(LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE), state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL) },
            { identity("connected", LINECALLPARTYID_BLOCKED, u"") },
            { firstCall + "dialing \"112\"", firstCall + "connected id withheld", firstCall + "connected", firstCall + "disconnected normal" } },
        CallScenario { "OutgoingCallUnanswered",
            { dial(u"112"), drop(LINEDISCONNECTMODE_NOANSWER) },
            { state(LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_MONITOR), state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER) },
            {},
            { firstCall + "dialing \"112\"", firstCall + "disconnected noanswer" } }),
    caseName<CallScenario>);

TEST_F(TelephonyTest, CallsGetHandlesInOrderAndTheLatestUnendedOneIsCurrent)
{
    const HCALL first = network().offerCall(number(u"+79161234567"));
    const HCALL second = network().offerCall(withoutNumber(Kind::Withheld));
    const HCALL third = network().dialCall(u"112");
    EXPECT_EQ(handleValue(first), 0x00400001u);
    EXPECT_EQ(handleValue(second), 0x00400002u);
    EXPECT_EQ(handleValue(third), 0x00400003u);
    EXPECT_EQ(network().currentCall(), third);
    network().dropCall(third, LINEDISCONNECTMODE_NORMAL);
    network().dropCall(first, LINEDISCONNECTMODE_NORMAL);
    EXPECT_EQ(network().currentCall(), second);
    network().dropCall(second, LINEDISCONNECTMODE_NORMAL);
    EXPECT_EQ(network().currentCall(), std::nullopt);
}

TEST_F(TelephonyTest, NetworkRefusesStepsACallCannotTake)
{
    const HCALL incoming = network().offerCall(number(u"+79161234567"));
    const HCALL outgoing = network().dialCall(u"112");
    const HCALL unknown = reinterpret_cast<HCALL>(std::uintptr_t { 0x00400009 });
    const std::vector<std::pair<const char*, std::function<void()>>> refused {
        { "busy of an incoming call", [&] { network().reportBusy(incoming); } },
        { "caller id of an outgoing call", [&] { network().reportCallerId(outgoing, number(u"1")); } },
        { "caller id still pending", [&] { network().reportCallerId(incoming, withoutNumber(Kind::Pending)); } },
        { "connected party of an incoming call", [&] { network().reportConnectedParty(incoming, number(u"1")); } },
        { "a number without digits", [&] { network().offerCall(number(u"")); } },
        { "an unknown disconnect mode", [&] { network().dropCall(incoming, 0x8000); } },
        { "a call that never was", [&] { network().connectCall(unknown); } },
        { "connect twice", [&] {
             network().connectCall(incoming);
             network().connectCall(incoming);
         } },
        { "busy once connected", [&] {
             network().connectCall(outgoing);
             network().reportBusy(outgoing);
         } },
        { "drop an ended call", [&] {
             network().dropCall(incoming, LINEDISCONNECTMODE_NORMAL);
             network().dropCall(incoming, LINEDISCONNECTMODE_NORMAL);
         } },
    };
    for (const auto& [what, step] : refused)
        EXPECT_THROW(step(), std::logic_error) << what;
}

// ---- Which lines hear which calls

TEST_F(TelephonyTest, MonitorsHearEveryCallOfTheirDeviceOwnersTheIncomingCallsOfTheirMediaModes)
{
    monitor.requests = {
        { 1, LINECALLPRIVILEGE_MONITOR, 0, 1 },
        { 1, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE, 2 },
        { 1, LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, LINEMEDIAMODE_INTERACTIVEVOICE, 3 },
        { 1, LINECALLPRIVILEGE_NONE, 0, 4 },
        { 0, LINECALLPRIVILEGE_MONITOR, 0, 5 },
        { 0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM, 6 },
    };
    startMonitor();
    const HCALL incoming = network().offerCall(number(u"+79161234567"));
    network().dropCall(incoming, LINEDISCONNECTMODE_NORMAL);
    const HCALL outgoing = network().dialCall(u"112");
    network().dropCall(outgoing, LINEDISCONNECTMODE_NORMAL);
    device->runUntilIdle();

    const DWORD in = handleValue(incoming);
    const DWORD out = handleValue(outgoing);
    EXPECT_EQ(monitor.messages, (std::vector<LineMessage> {
                                    { in, LINE_CALLSTATE, 1, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_MONITOR },
                                    { in, LINE_CALLSTATE, 2, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_OWNER },
                                    { in, LINE_CALLSTATE, 3, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE, LINECALLPRIVILEGE_OWNER },
                                    { in, LINE_CALLSTATE, 1, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL, 0 },
                                    { in, LINE_CALLSTATE, 2, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL, 0 },
                                    { in, LINE_CALLSTATE, 3, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL, 0 },
                                    { out, LINE_CALLSTATE, 1, LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_MONITOR },
                                    { out, LINE_CALLSTATE, 3, LINECALLSTATE_DIALING, 0, LINECALLPRIVILEGE_MONITOR },
                                    { out, LINE_CALLSTATE, 1, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL, 0 },
                                    { out, LINE_CALLSTATE, 3, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL, 0 },
                                }));
    stopMonitor();
}

TEST_F(TelephonyTest, EachProgramHearsTheCallThroughItsOwnCallbackThread)
{
    Monitor second;
    startMonitor();
    const auto secondProcess = start(u"second", [&] { return monitorMain(second); });
    device->runUntilIdle();
    network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    ASSERT_EQ(monitor.messages.size(), 1u);
    ASSERT_EQ(second.messages.size(), 1u);
    EXPECT_EQ(monitor.callbackProcesses, (std::vector<DWORD> { monitorProcess->id() }));
    EXPECT_EQ(second.callbackProcesses, (std::vector<DWORD> { secondProcess->id() }));
    EXPECT_NE(monitor.callbackThreads, second.callbackThreads);
    ASSERT_TRUE(device->windows().postFromDriver(second.window, WM_CLOSE, 0, 0));
    stopMonitor();
    EXPECT_EQ(device->runUntil([&] { return secondProcess->finished(); }, std::nullopt), emu::RunOutcome::Done);
}

// ---- The callback thread

TEST_F(TelephonyTest, CallbackRunsOnOneThreadOfTheProgramOtherThanItsMainThread)
{
    startMonitor();
    const HCALL call = network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    network().dropCall(call, LINEDISCONNECTMODE_NORMAL);
    device->runUntilIdle();
    ASSERT_EQ(monitor.callbackThreads.size(), 2u);
    const DWORD callbackThread = monitor.callbackThreads.front();
    EXPECT_EQ(monitor.callbackThreads.back(), callbackThread);
    EXPECT_NE(callbackThread, monitor.mainThread);
    EXPECT_EQ(monitor.callbackProcesses, (std::vector<DWORD> { monitorProcess->id(), monitorProcess->id() }));
    const auto& threads = monitorProcess->threads();
    EXPECT_TRUE(std::any_of(threads.begin(), threads.end(), [&](const auto& thread) { return thread->id() == callbackThread; }));
    stopMonitor();
}

TEST_F(TelephonyTest, CallbackThatBlocksHoldsBackTheNextEvent)
{
    monitor.callbackSleep = 100;
    startMonitor();
    const HCALL call = network().offerCall(number(u"+79161234567"));
    network().dropCall(call, LINEDISCONNECTMODE_NORMAL);
    device->runFor(1000);
    EXPECT_EQ(monitor.spans, (std::vector<std::string> { "0-100", "100-200" }));
    ASSERT_EQ(monitor.messages.size(), 2u);
    EXPECT_EQ(monitor.messages[1].param1, LINECALLSTATE_DISCONNECTED);
    stopMonitor();
}

TEST_F(TelephonyTest, ReinitIsAnsweredAsManyTimesAsTheProfileSaysEachAfterAWhile)
{
    emu::DeviceProfile profile;
    profile.lineReinitAnswers = 3;
    profile.lineReinitMs = 40;
    resetDevice(profile);
    startMonitor();
    device->runFor(1000);
    EXPECT_EQ(monitor.reinitTicks, (std::vector<DWORD> { 40, 80, 120 }));
    EXPECT_EQ(monitor.initResult, 0);
    // Only the answer that registered the application started a callback thread.
    EXPECT_EQ(monitorProcess->threads().size(), 2u);
    stopMonitor();

    // The restart is over for every program after.
    LONG later = -1;
    runProgram([&] {
        HLINEAPP app {};
        DWORD devices = 0;
        later = lineInitialize(&app, nullptr, recordLineMessage, u"Later", &devices);
        lineShutdown(app);
        return 0;
    });
    EXPECT_EQ(later, 0);
}

// ---- Closing and shutting down

TEST_F(TelephonyTest, ClosedLineHearsNothingMore)
{
    startMonitor();
    const HCALL call = network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    post(closeLines);
    network().dropCall(call, LINEDISCONNECTMODE_NORMAL);
    device->runUntilIdle();
    EXPECT_EQ(monitor.messages.size(), 1u);
    post(closeLines);
    EXPECT_EQ(monitor.closeResults, (std::vector<LONG> { 0, LINEERR_INVALLINEHANDLE }));
    stopMonitor();
}

TEST_F(TelephonyTest, EventWaitingForTheCallbackIsDroppedWhenItsLineCloses)
{
    monitor.callbackSleep = 100;
    startMonitor();
    const HCALL call = network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    // The callback still sleeps over the offer when the call ends and the program closes the line.
    network().dropCall(call, LINEDISCONNECTMODE_NORMAL);
    post(closeLines);
    device->runFor(1000);
    EXPECT_EQ(monitor.closeResults, (std::vector<LONG> { 0 }));
    ASSERT_EQ(monitor.messages.size(), 1u);
    EXPECT_EQ(monitor.messages[0].param1, LINECALLSTATE_OFFERING);
    stopMonitor();
}

TEST_F(TelephonyTest, ShutdownEndsTheCallbackThreadAndTheLines)
{
    startMonitor();
    const HCALL call = network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    ASSERT_EQ(monitor.callbackThreads.size(), 1u);
    post(shutDownLines);
    const auto& threads = monitorProcess->threads();
    const auto callbackThread = std::find_if(threads.begin(), threads.end(),
        [&](const auto& thread) { return thread->id() == monitor.callbackThreads.front(); });
    ASSERT_NE(callbackThread, threads.end());
    EXPECT_TRUE((*callbackThread)->finished());
    network().dropCall(call, LINEDISCONNECTMODE_NORMAL);
    device->runUntilIdle();
    EXPECT_EQ(monitor.messages.size(), 1u);
    post(shutDownLines);
    post(closeLines);
    EXPECT_EQ(monitor.shutdownResults, (std::vector<LONG> { 0, LINEERR_INVALAPPHANDLE }));
    EXPECT_EQ(monitor.closeResults, (std::vector<LONG> { LINEERR_INVALLINEHANDLE }));
    stopMonitor();
}

TEST_F(TelephonyTest, ProgramThatEndsWithoutShuttingDownLeavesNothingBehind)
{
    monitor.shutDownAtEnd = false;
    startMonitor();
    stopMonitor();
    network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    EXPECT_TRUE(monitor.messages.empty());
    EXPECT_EQ(lineEvents(), (std::vector<std::string> { firstCall + "offering \"+79161234567\"" }));
}

// ---- Call information and device capabilities

struct CallerKindCase {
    const char* name;
    friend void PrintTo(const CallerKindCase& tested, std::ostream* out) { *out << tested.name; }
    PartyId caller;
    std::string identity;
    std::string transcript;
};

class CallerKindTest
    : public TelephonyTest
    , public ::testing::WithParamInterface<CallerKindCase> { };

TEST_P(CallerKindTest, CallInfoGivesTheCallerIdFlagsAndText)
{
    const HCALL call = network().offerCall(GetParam().caller);
    std::string read;
    runProgram([&] {
        const auto buffer = readCallInfo(call);
        const auto& info = *reinterpret_cast<const LINECALLINFO*>(buffer.data());
        read = identity("caller", info.dwCallerIDFlags, textAt(buffer, info.dwCallerIDSize, info.dwCallerIDOffset));
        return 0;
    });
    EXPECT_EQ(read, GetParam().identity);
    EXPECT_EQ(lineEvents(), (std::vector<std::string> { firstCall + GetParam().transcript }));
}

INSTANTIATE_TEST_SUITE_P(Callers, CallerKindTest,
    ::testing::Values(CallerKindCase { "Number", number(u"+79161234567"), identity("caller", LINECALLPARTYID_ADDRESS, u"+79161234567"),
                          "offering \"+79161234567\"" },
        CallerKindCase { "PartialNumber", partial(u"1234567"), identity("caller", LINECALLPARTYID_PARTIAL, u"1234567"),
            "offering partial \"1234567\"" },
        CallerKindCase { "Withheld", withoutNumber(Kind::Withheld), identity("caller", LINECALLPARTYID_BLOCKED, u""), "offering withheld" },
        CallerKindCase { "Unavailable", withoutNumber(Kind::Unavailable), identity("caller", LINECALLPARTYID_UNAVAIL, u""),
            "offering unavailable" },
        CallerKindCase { "OutOfArea", withoutNumber(Kind::OutOfArea), identity("caller", LINECALLPARTYID_OUTOFAREA, u""),
            "offering outofarea" },
        CallerKindCase { "NotYetKnown", withoutNumber(Kind::Pending), identity("caller", LINECALLPARTYID_UNKNOWN, u""),
            "offering pending" }),
    caseName<CallerKindCase>);

// Every party and what else the call information tells of a call.
std::string describeCall(HCALL call)
{
    const auto buffer = readCallInfo(call);
    if (buffer.empty())
        return "refused";
    const auto& info = *reinterpret_cast<const LINECALLINFO*>(buffer.data());
    return "device " + std::to_string(info.dwLineDeviceID) + " media " + emu::hexText(info.dwMediaMode) + " id "
        + std::to_string(info.dwCallID) + " origin " + emu::hexText(info.dwOrigin) + (info.hLine ? " on a line" : " on no line") + " | "
        + identity("caller", info.dwCallerIDFlags, textAt(buffer, info.dwCallerIDSize, info.dwCallerIDOffset)) + " | "
        + identity("called", info.dwCalledIDFlags, textAt(buffer, info.dwCalledIDSize, info.dwCalledIDOffset)) + " | "
        + identity("connected", info.dwConnectedIDFlags, textAt(buffer, info.dwConnectedIDSize, info.dwConnectedIDOffset));
}

TEST_F(TelephonyTest, CallInfoDescribesIncomingAndOutgoingCalls)
{
    const HCALL incoming = network().offerCall(number(u"+79161234567"));
    const HCALL outgoing = network().dialCall(u"+74951112233");
    network().reportConnectedParty(outgoing, number(u"+74951110000"));
    std::vector<std::string> read;
    runProgram([&] {
        // A program with no line hears of no call, but may still ask about one it was given.
        read.push_back(describeCall(incoming));
        read.push_back(describeCall(outgoing));
        return 0;
    });
    EXPECT_EQ(read, (std::vector<std::string> {
                        "device 1 media 0x00000004 id 1 origin 0x00000004 on no line | caller 0x00000008 \"+79161234567\" | "
                        "called 0x00000020 | connected 0x00000020",
                        "device 1 media 0x00000004 id 2 origin 0x00000001 on no line | caller 0x00000020 | "
                        "called 0x00000008 \"+74951112233\" | connected 0x00000008 \"+74951110000\"",
                    }));
}

TEST_F(TelephonyTest, CallInfoNamesTheLineThatHeardOfTheCall)
{
    startMonitor();
    network().offerCall(number(u"+79161234567"));
    device->runUntilIdle();
    EXPECT_EQ(monitor.callLines, (std::vector<std::string> { "device 1 line 0" }));
    stopMonitor();
}

// What a query answered for a buffer of one declared size.
struct SizeAnswer {
    LONG result;
    DWORD needed;
    DWORD used;
    DWORD textSize;
    DWORD textOffset;
    std::u16string text;
    // The bytes past the used part kept what the caller had there.
    bool restUntouched;

    bool operator==(const SizeAnswer&) const = default;
    friend void PrintTo(const SizeAnswer& a, std::ostream* out)
    {
        *out << "result " << emu::hexText(static_cast<DWORD>(a.result)) << " needed " << a.needed << " used " << a.used << " text "
             << a.textSize << "@" << a.textOffset << " " << emu::quotedText(a.text) << (a.restUntouched ? "" : " rest overwritten");
    }
};

constexpr DWORD untouched = 0xABABABAB;

// Queries into buffers of exactly each size, filled with 0xAB, with only dwTotalSize set.
template <class Fixed>
std::vector<SizeAnswer> answersFor(const std::vector<DWORD>& totals, DWORD Fixed::*size, DWORD Fixed::*offset,
                                   const std::function<LONG(Fixed*)>& query)
{
    std::vector<SizeAnswer> answers;
    for (const DWORD total : totals) {
        std::vector<std::byte> buffer(total, std::byte { 0xAB });
        std::memcpy(buffer.data(), &total, sizeof total);
        SizeAnswer answer { query(reinterpret_cast<Fixed*>(buffer.data())), untouched, untouched, 0, 0, {}, true };
        std::memcpy(&answer.needed, buffer.data() + sizeof(DWORD), sizeof(DWORD));
        if (total >= 3 * sizeof(DWORD))
            std::memcpy(&answer.used, buffer.data() + 2 * sizeof(DWORD), sizeof(DWORD));
        if (answer.result == 0) {
            const auto& fixed = *reinterpret_cast<const Fixed*>(buffer.data());
            answer.textSize = fixed.*size;
            answer.textOffset = fixed.*offset;
            answer.text = textAt(buffer, answer.textSize, answer.textOffset);
            answer.restUntouched = std::all_of(buffer.begin() + answer.used, buffer.end(), [](std::byte b) { return b == std::byte { 0xAB }; });
        }
        answers.push_back(answer);
    }
    return answers;
}

// Below the three size fields nothing is written; below the fixed part only the needed size; from the
// fixed part up the fixed part, and the texts once they all fit.
std::vector<SizeAnswer> expectedAnswers(DWORD fixed, const std::u16string& text)
{
    const auto textSize = static_cast<DWORD>((text.size() + 1) * 2);
    const DWORD needed = fixed + textSize;
    return {
        { LINEERR_STRUCTURETOOSMALL, untouched, untouched, 0, 0, {}, true },
        { LINEERR_STRUCTURETOOSMALL, needed, untouched, 0, 0, {}, true },
        { LINEERR_STRUCTURETOOSMALL, needed, untouched, 0, 0, {}, true },
        { 0, needed, fixed, 0, 0, {}, true },
        { 0, needed, needed, textSize, fixed, text, true },
        { 0, needed, needed, textSize, fixed, text, true },
    };
}

std::vector<DWORD> totalsAround(DWORD fixed, DWORD needed)
{
    return { 8, 12, fixed - 4, fixed, needed, needed + 8 };
}

TEST_F(TelephonyTest, CallInfoTellsTheSizeItNeedsAndWritesNoFurther)
{
    const HCALL call = network().offerCall(number(u"+79161234567"));
    constexpr DWORD fixed = sizeof(LINECALLINFO);
    std::vector<SizeAnswer> answers;
    runProgram([&] {
        answers = answersFor<LINECALLINFO>(totalsAround(fixed, fixed + 26), &LINECALLINFO::dwCallerIDSize, &LINECALLINFO::dwCallerIDOffset,
                                           [call](LINECALLINFO* info) { return lineGetCallInfo(call, info); });
        return 0;
    });
    EXPECT_EQ(answers, expectedAnswers(fixed, u"+79161234567"));
}

TEST_F(TelephonyTest, DevCapsTellTheSizeTheyNeedAndWriteNoFurther)
{
    constexpr DWORD fixed = sizeof(LINEDEVCAPS);
    std::vector<SizeAnswer> answers;
    runProgram([&] {
        HLINEAPP app {};
        DWORD devices = 0;
        EXPECT_EQ(lineInitialize(&app, nullptr, recordLineMessage, u"Caps", &devices), 0);
        answers = answersFor<LINEDEVCAPS>(totalsAround(fixed, fixed + 28), &LINEDEVCAPS::dwLineNameSize, &LINEDEVCAPS::dwLineNameOffset,
                                          [app](LINEDEVCAPS* caps) { return lineGetDevCaps(app, 1, 0x00020000, 0, caps); });
        lineShutdown(app);
        return 0;
    });
    EXPECT_EQ(answers, expectedAnswers(fixed, u"Cellular Line"));
}

// ---- What the line functions refuse

struct RefusalCase {
    const char* name;
    friend void PrintTo(const RefusalCase& tested, std::ostream* out) { *out << tested.name; }
    // Called with an initialised application and a line it opened on the voice device.
    std::function<LONG(HLINEAPP, HLINE)> call;
    LONG expected;
};

class RefusalTest
    : public testing_support::DeviceFixture
    , public ::testing::WithParamInterface<RefusalCase> { };

TEST_P(RefusalTest, LineFunctionAnswersWithTheError)
{
    LONG result = 0;
    runProgram([&] {
        HLINEAPP app {};
        DWORD devices = 0;
        EXPECT_EQ(lineInitialize(&app, nullptr, recordLineMessage, u"Refusals", &devices), 0);
        HLINE line {};
        EXPECT_EQ(lineOpen(app, 1, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_MONITOR, 0, nullptr), 0);
        result = GetParam().call(app, line);
        lineShutdown(app);
        return 0;
    });
    EXPECT_EQ(result, GetParam().expected);
}

HLINEAPP otherApp(HLINEAPP app)
{
    return reinterpret_cast<HLINEAPP>(reinterpret_cast<std::uintptr_t>(app) + 7);
}

LONG negotiate(HLINEAPP app, DWORD device, DWORD low, DWORD high)
{
    DWORD version = 0;
    LINEEXTENSIONID extension {};
    return lineNegotiateAPIVersion(app, device, low, high, &version, &extension);
}

LONG devCaps(HLINEAPP app, DWORD device, DWORD version, DWORD extVersion)
{
    LINEDEVCAPS caps {};
    caps.dwTotalSize = sizeof caps;
    return lineGetDevCaps(app, device, version, extVersion, &caps);
}

LONG openLine(HLINEAPP app, DWORD device, DWORD version, DWORD privileges, DWORD mediaModes, DWORD extVersion = 0)
{
    HLINE line {};
    return lineOpen(app, device, &line, version, extVersion, 0, privileges, mediaModes, nullptr);
}

LONG priority(LPCWSTR name, DWORD mediaMode, DWORD requestMode, DWORD value)
{
    return lineSetAppPriority(name, mediaMode, nullptr, requestMode, nullptr, value);
}

INSTANTIATE_TEST_SUITE_P(Errors, RefusalTest,
    ::testing::Values(
        RefusalCase { "InitializeWithoutACallback",
            [](HLINEAPP, HLINE) {
                HLINEAPP app {};
                DWORD devices = 0;
                return lineInitialize(&app, nullptr, nullptr, u"x", &devices);
            },
            LINEERR_INVALPOINTER },
        RefusalCase { "NegotiateForAnotherApplication", [](HLINEAPP app, HLINE) { return negotiate(otherApp(app), 1, 0x00010003, 0x00020002); },
            LINEERR_INVALAPPHANDLE },
        RefusalCase { "NegotiateForAMissingDevice", [](HLINEAPP app, HLINE) { return negotiate(app, 2, 0x00010003, 0x00020002); },
            LINEERR_BADDEVICEID },
        RefusalCase { "NegotiateBelowTheDevice", [](HLINEAPP app, HLINE) { return negotiate(app, 1, 0x00010000, 0x00010002); },
            LINEERR_INCOMPATIBLEAPIVERSION },
        RefusalCase { "NegotiateAnEmptyRange", [](HLINEAPP app, HLINE) { return negotiate(app, 1, 0x00020000, 0x00010004); },
            LINEERR_INCOMPATIBLEAPIVERSION },
        RefusalCase { "NegotiateWithoutAPlaceForTheVersion",
            [](HLINEAPP app, HLINE) { return lineNegotiateAPIVersion(app, 1, 0x00010003, 0x00020002, nullptr, nullptr); },
            LINEERR_INVALPOINTER },
        RefusalCase { "CapsOfAVersionTheDeviceLacks", [](HLINEAPP app, HLINE) { return devCaps(app, 1, 0x00020002, 0); },
            LINEERR_INCOMPATIBLEAPIVERSION },
        RefusalCase { "CapsWithAnExtensionVersion", [](HLINEAPP app, HLINE) { return devCaps(app, 1, 0x00020000, 1); },
            LINEERR_INCOMPATIBLEEXTVERSION },
        RefusalCase { "CapsIntoNoBuffer", [](HLINEAPP app, HLINE) { return lineGetDevCaps(app, 1, 0x00020000, 0, nullptr); },
            LINEERR_INVALPOINTER },
        RefusalCase { "OpenAMissingDevice", [](HLINEAPP app, HLINE) { return openLine(app, 5, 0x00020000, LINECALLPRIVILEGE_MONITOR, 0); },
            LINEERR_BADDEVICEID },
        RefusalCase { "OpenWithAVersionTheDeviceLacks",
            [](HLINEAPP app, HLINE) { return openLine(app, 1, 0x00010000, LINECALLPRIVILEGE_MONITOR, 0); }, LINEERR_INCOMPATIBLEAPIVERSION },
        RefusalCase { "OpenWithAnExtensionVersion",
            [](HLINEAPP app, HLINE) { return openLine(app, 1, 0x00020000, LINECALLPRIVILEGE_MONITOR, 0, 1); }, LINEERR_INCOMPATIBLEEXTVERSION },
        RefusalCase { "OpenWithNoPrivilege", [](HLINEAPP app, HLINE) { return openLine(app, 1, 0x00020000, 0, 0); }, LINEERR_INVALPRIVSELECT },
        RefusalCase { "OpenWithNoneAndMonitor",
            [](HLINEAPP app, HLINE) { return openLine(app, 1, 0x00020000, LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR, 0); },
            LINEERR_INVALPRIVSELECT },
        RefusalCase { "OwnerOfAMediaModeTheDeviceLacks",
            [](HLINEAPP app, HLINE) { return openLine(app, 1, 0x00020000, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM); },
            LINEERR_INVALMEDIAMODE },
        RefusalCase { "OwnerOfNoMediaMode", [](HLINEAPP app, HLINE) { return openLine(app, 1, 0x00020000, LINECALLPRIVILEGE_OWNER, 0); },
            LINEERR_INVALMEDIAMODE },
        RefusalCase { "CloseALineTwice",
            [](HLINEAPP, HLINE line) {
                lineClose(line);
                return lineClose(line);
            },
            LINEERR_INVALLINEHANDLE },
        RefusalCase { "PriorityWithoutAName",
            [](HLINEAPP, HLINE) { return priority(nullptr, LINEMEDIAMODE_INTERACTIVEVOICE, 0, 0); }, LINEERR_INVALAPPNAME },
        RefusalCase { "PriorityForTwoMediaModes",
            [](HLINEAPP, HLINE) { return priority(u"x", LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM, 0, 0); },
            LINEERR_INVALMEDIAMODE },
        RefusalCase { "PriorityForNeitherAMediaModeNorARequest", [](HLINEAPP, HLINE) { return priority(u"x", 0, 0, 0); },
            LINEERR_INVALREQUESTMODE },
        RefusalCase { "PriorityAboveOne", [](HLINEAPP, HLINE) { return priority(u"x", LINEMEDIAMODE_INTERACTIVEVOICE, 0, 2); },
            LINEERR_INVALPARAM },
        RefusalCase { "PriorityForMakingCalls", [](HLINEAPP, HLINE) { return priority(u"x", 0, LINEREQUESTMODE_MAKECALL, 1); }, 0 },
        RefusalCase { "CallInfoOfACallThatNeverWas",
            [](HLINEAPP, HLINE) {
                LINECALLINFO callInfo {};
                callInfo.dwTotalSize = sizeof callInfo;
                return lineGetCallInfo(reinterpret_cast<HCALL>(std::uintptr_t { 0x00400001 }), &callInfo);
            },
            LINEERR_INVALCALLHANDLE },
        RefusalCase { "ShutDownTwice",
            [](HLINEAPP app, HLINE) {
                lineShutdown(app);
                return lineShutdown(app);
            },
            LINEERR_INVALAPPHANDLE }),
    caseName<RefusalCase>);

// A profile can make one line function fail; the others go on working.
struct FailingFunctionCase {
    const char* name;
    friend void PrintTo(const FailingFunctionCase& tested, std::ostream* out) { *out << tested.name; }
    std::vector<LONG> results;
};

class FailingFunctionTest
    : public testing_support::DeviceFixture
    , public ::testing::WithParamInterface<FailingFunctionCase> { };

TEST_P(FailingFunctionTest, OnlyThatFunctionFails)
{
    emu::DeviceProfile profile;
    profile.failingLineFunctions = { GetParam().name };
    resetDevice(profile);
    const HCALL call = device->telephony().offerCall(number(u"+79161234567"));
    std::vector<LONG> results;
    runProgram([&] {
        HLINEAPP app {};
        DWORD devices = 0;
        results.push_back(lineInitialize(&app, nullptr, recordLineMessage, u"Failing", &devices));
        if (results.back() != 0)
            return 1;
        DWORD version = 0;
        results.push_back(lineNegotiateAPIVersion(app, 1, lowestVersion, highestVersion, &version, nullptr));
        results.push_back(devCaps(app, 1, 0x00020000, 0));
        HLINE line {};
        results.push_back(lineOpen(app, 1, &line, 0x00020000, 0, 0, LINECALLPRIVILEGE_MONITOR, 0, nullptr));
        results.push_back(priority(u"Failing", LINEMEDIAMODE_INTERACTIVEVOICE, 0, 0));
        LINECALLINFO info {};
        info.dwTotalSize = sizeof info;
        results.push_back(lineGetCallInfo(call, &info));
        results.push_back(lineClose(line));
        results.push_back(lineShutdown(app));
        return 0;
    });
    EXPECT_EQ(results, GetParam().results);
}

constexpr LONG failed = LINEERR_OPERATIONFAILED;

INSTANTIATE_TEST_SUITE_P(Profiles, FailingFunctionTest,
    ::testing::Values(FailingFunctionCase { "lineInitialize", { failed } },
        FailingFunctionCase { "lineNegotiateAPIVersion", { 0, failed, 0, 0, 0, 0, 0, 0 } },
        FailingFunctionCase { "lineGetDevCaps", { 0, 0, failed, 0, 0, 0, 0, 0 } },
        // With no line opened there is none to close.
        FailingFunctionCase { "lineOpen", { 0, 0, 0, failed, 0, 0, LINEERR_INVALLINEHANDLE, 0 } },
        FailingFunctionCase { "lineSetAppPriority", { 0, 0, 0, 0, failed, 0, 0, 0 } },
        FailingFunctionCase { "lineGetCallInfo", { 0, 0, 0, 0, 0, failed, 0, 0 } },
        FailingFunctionCase { "lineClose", { 0, 0, 0, 0, 0, 0, failed, 0 } }),
    caseName<FailingFunctionCase>);

}
