#include "vyx/call/LineMonitor.h"

#include "platform/api/ProcessStorage.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "vyx/call/CallEventSink.h"
#include "vyx/call/MainWndMessages.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vyx {

namespace {

constexpr LPCWSTR applicationName = u"Korvane Vyx";
constexpr DWORD lowestApiVersion = 0x00010003;
constexpr DWORD highestApiVersion = 0x00020002;
constexpr DWORD initialCapsSize = 292;
constexpr DWORD initialCallInfoSize = 328;
constexpr DWORD reinitWarningAfter = 5000;

std::unique_ptr<LineMonitor>& processLineMonitor()
{
    return platform::processGlobal<std::unique_ptr<LineMonitor>>();
}

// A telephony structure in a buffer that grows to the size the service asks for: the service fills
// the fixed part and as much of the variable part as fits.
template <class Structure>
class GrowingBuffer {
public:
    explicit GrowingBuffer(DWORD size) { resize(size); }

    Structure* get() { return reinterpret_cast<Structure*>(m_storage.data()); }
    void resize(DWORD size)
    {
        m_storage.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        get()->dwTotalSize = size;
    }
    // Grows when the service said the buffer is too small and named a bigger size; false otherwise.
    bool growIfAsked(LONG result)
    {
        const bool asked = result == LINEERR_STRUCTURETOOSMALL || (result == 0 && get()->dwNeededSize > get()->dwTotalSize);
        if (!asked || get()->dwNeededSize <= get()->dwTotalSize)
            return false;
        resize(get()->dwNeededSize);
        return true;
    }

private:
    std::vector<DWORD> m_storage;
};

}

LineMonitor& LineMonitor::Instance()
{
    auto& monitor = processLineMonitor();
    if (!monitor)
        monitor = std::make_unique<LineMonitor>();
    return *monitor;
}

LineMonitor* LineMonitor::Existing()
{
    return processLineMonitor().get();
}

bool LineMonitor::Initialize(HINSTANCE instance, HWND window)
{
    m_instance = instance;
    m_window = window;
    DWORD deviceCount = 0;
    if (!InitializeLineApp(deviceCount))
        return false;
    if (deviceCount == 0 || !ChooseVoiceDevice(deviceCount)) {
        ShutdownLineApp();
        return false;
    }
    if (lineOpen(m_lineApp, m_device, &m_line, m_apiVersion, 0, 0, LINECALLPRIVILEGE_MONITOR, m_mediaModes, nullptr) != 0) {
        m_line = {};
        ShutdownLineApp();
        return false;
    }
    // Priority 0 keeps the program out of the applications that are handed incoming voice calls.
    if (lineSetAppPriority(applicationName, LINEMEDIAMODE_INTERACTIVEVOICE, nullptr, 0, nullptr, 0) != 0) {
        lineClose(m_line);
        m_line = {};
        m_outgoing = false;
        m_incoming = false;
        ShutdownLineApp();
        return false;
    }
    return true;
}

bool LineMonitor::InitializeLineApp(DWORD& deviceCount)
{
    DWORD warningWindowStart = GetTickCount();
    for (;;) {
        const LONG result = lineInitialize(&m_lineApp, m_instance, LineCallback, applicationName, &deviceCount);
        if (result == 0)
            return true;
        if (result != LINEERR_REINIT)
            return false;
        // The telephony service asks to wait while it restarts; after five seconds the user decides.
        if (GetTickCount() - warningWindowStart > reinitWarningAfter) {
            const int answer = MessageBox(nullptr,
                u"Cannot initialize the application's use\nof tapi.dll. Quit all other telephony\nprograms, and then try again.",
                u"Warning", MB_OKCANCEL | MB_ICONEXCLAMATION);
            if (answer == IDOK)
                return false;
            warningWindowStart = GetTickCount();
        }
    }
}

bool LineMonitor::ChooseVoiceDevice(DWORD deviceCount)
{
    for (DWORD device = 0; device < deviceCount; ++device) {
        DWORD apiVersion = 0;
        LINEEXTENSIONID extension {};
        if (lineNegotiateAPIVersion(m_lineApp, device, lowestApiVersion, highestApiVersion, &apiVersion, &extension) != 0)
            continue;
        GrowingBuffer<LINEDEVCAPS> caps(initialCapsSize);
        LONG result = lineGetDevCaps(m_lineApp, device, apiVersion, 0, caps.get());
        while (caps.growIfAsked(result))
            result = lineGetDevCaps(m_lineApp, device, apiVersion, 0, caps.get());
        if (result != 0)
            continue;
        if (caps.get()->dwMediaModes & LINEMEDIAMODE_INTERACTIVEVOICE) {
            m_device = device;
            m_apiVersion = apiVersion;
            m_mediaModes = caps.get()->dwMediaModes;
            return true;
        }
    }
    return false;
}

void LineMonitor::ShutdownLineApp()
{
    lineShutdown(m_lineApp);
    m_lineApp = {};
}

bool LineMonitor::Reopen()
{
    if (!m_line)
        return false;
    HLINE reopened {};
    if (lineOpen(m_lineApp, m_device, &reopened, m_apiVersion, 0, 0, LINECALLPRIVILEGE_MONITOR, m_mediaModes, nullptr) != 0)
        return false;
    lineClose(m_line);
    m_line = reopened;
    return true;
}

bool LineMonitor::GetCallerNumber(HCALL call, std::u16string& number, bool& blocked) const
{
    number.clear();
    blocked = false;
    GrowingBuffer<LINECALLINFO> info(initialCallInfoSize);
    LONG result = lineGetCallInfo(call, info.get());
    while (info.growIfAsked(result))
        result = lineGetCallInfo(call, info.get());
    if (result != 0)
        return false;
    const LINECALLINFO& callInfo = *info.get();
    const DWORD flags = callInfo.dwCallerIDFlags;
    if (flags & (LINECALLPARTYID_ADDRESS | LINECALLPARTYID_PARTIAL)) {
        if (callInfo.dwCallerIDSize >= sizeof(WCHAR) && callInfo.dwCallerIDOffset + callInfo.dwCallerIDSize <= callInfo.dwTotalSize) {
            const auto* text = reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(&callInfo) + callInfo.dwCallerIDOffset);
            const std::size_t length = callInfo.dwCallerIDSize / sizeof(WCHAR);
            number.assign(text, length);
            number.resize(number.find(u'\0') == std::u16string::npos ? number.size() : number.find(u'\0'));
        }
        return true;
    }
    if (flags & LINECALLPARTYID_BLOCKED) {
        blocked = true;
        return true;
    }
    return (flags & (LINECALLPARTYID_UNAVAIL | LINECALLPARTYID_OUTOFAREA)) != 0;
}

void LineMonitor::Shutdown()
{
    if (m_line) {
        lineClose(m_line);
        m_line = {};
    }
    m_outgoing = false;
    m_incoming = false;
    if (m_lineApp)
        ShutdownLineApp();
    processLineMonitor().reset();
}

void LineMonitor::Post(UINT message, WPARAM wParam) const
{
    PostMessage(m_window, message, wParam, 0);
}

void LineMonitor::LineCallback(DWORD device, DWORD message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR param2, DWORD_PTR)
{
    LineMonitor* monitor = Existing();
    if (!monitor)
        return;
    if (message == LINE_CALLINFO)
        monitor->OnCallInfo(param1);
    else if (message == LINE_CALLSTATE)
        monitor->OnCallState(reinterpret_cast<HCALL>(static_cast<std::uintptr_t>(device)), param1, param2);
}

void LineMonitor::OnCallInfo(DWORD_PTR infoState)
{
    if ((infoState & (LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CONNECTEDID)) && m_outgoing)
        m_calledPartyKnown = true;
}

void LineMonitor::OnCallState(HCALL call, DWORD_PTR state, DWORD_PTR mode)
{
    switch (state) {
    case LINECALLSTATE_OFFERING:
        m_incoming = true;
        if (m_listener)
            m_listener->OnOffering(call);
        break;
    case LINECALLSTATE_DIALING:
        m_outgoing = true;
        break;
    case LINECALLSTATE_BUSY:
        if (m_outgoing)
            Post(messages::outgoingBusy);
        break;
    case LINECALLSTATE_CONNECTED:
        if (m_outgoing) {
            if (m_calledPartyKnown) {
                Post(messages::outgoingConnected);
                m_calledPartyKnown = false;
            }
            m_outgoing = false;
        }
        if (m_incoming) {
            // Sent, so that the call handling leaves the offering state before the offer ends.
            SendMessage(m_window, messages::incomingAnswered, 0, 0);
            Post(messages::offerEnded);
            m_incoming = false;
        }
        Post(messages::callEnded, 0);
        break;
    case LINECALLSTATE_DISCONNECTED: {
        if (m_outgoing) {
            if (m_calledPartyKnown) {
                if (mode == LINEDISCONNECTMODE_BUSY)
                    Post(messages::outgoingBusy);
                m_calledPartyKnown = false;
            }
            m_outgoing = false;
        }
        bool missed = false;
        if (m_incoming) {
            Post(messages::offerEnded);
            m_incoming = false;
            missed = true;
        }
        Post(messages::callEnded, reinterpret_cast<WPARAM>(call));
        if (missed)
            Post(messages::missedGone);
        Post(messages::reopenLine);
        break;
    }
    default:
        if (m_incoming)
            Post(messages::offerEnded);
        break;
    }
}

}
