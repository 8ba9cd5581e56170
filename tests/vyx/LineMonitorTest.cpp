// The line monitor against the device's telephony: which line it opens, what it reads of a caller,
// and how it waits out a telephony service that restarts.
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinBase.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Telephony.h"
#include "vyx/call/CallEventSink.h"
#include "vyx/call/LineMonitor.h"
#include "vyx/call/MainWndMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using emu::PartyId;

// What the monitoring program noted: its start-up result, then for every offered call what
// GetCallerNumber answered.
struct Notes {
    bool initialized { false };
    std::vector<std::string> callers;
};

std::string describeCaller(HCALL call)
{
    std::u16string number;
    bool blocked = false;
    const bool known = vyx::LineMonitor::Instance().GetCallerNumber(call, number, blocked);
    return std::string(known ? "known" : "unknown") + (blocked ? " blocked" : "") + " \"" + std::string(number.begin(), number.end()) + "\"";
}

// The window keeps the notes in its user data, given at creation.
LRESULT monitorWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams));
        return 0;
    }
    auto* notes = reinterpret_cast<Notes*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (message == vyx::messages::incomingCall || message == vyx::messages::callEnded) {
        if (message == vyx::messages::incomingCall || wParam)
            notes->callers.push_back(describeCaller(reinterpret_cast<HCALL>(wParam)));
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class LineMonitorTest : public testing_support::DeviceFixture {
protected:
    // A program that opens the line monitor on a window of its own and runs until told to quit.
    void startMonitor()
    {
        m_process = start(u"monitor", [this] {
            Notes* notes = &m_notes;
            WNDCLASS windowClass {};
            windowClass.lpfnWndProc = monitorWindowProcedure;
            windowClass.lpszClassName = u"MONITOR";
            RegisterClass(&windowClass);
            const HWND window = CreateWindowEx(0, u"MONITOR", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, notes);
            // Offered calls reach the window as the main window's message, sent synchronously.
            struct Forward final : vyx::CallEventSink {
                HWND window;
                void OnOffering(HCALL call) override { SendMessage(window, vyx::messages::incomingCall, reinterpret_cast<WPARAM>(call), 0); }
                void OnOutgoingBusy() override { }
                void OnOutgoingConnected() override { }
                void OnOfferEnded() override { }
                void OnCallEnded(HCALL) override { }
                void OnMissedGone() override { }
                void OnIncomingAnswered() override { }
            } forward;
            forward.window = window;
            vyx::LineMonitor& monitor = vyx::LineMonitor::Instance();
            monitor.SetListener(&forward);
            notes->initialized = monitor.Initialize(GetModuleHandle(nullptr), window);
            if (!notes->initialized)
                return 0;
            MSG msg;
            while (GetMessage(&msg, nullptr, 0, 0))
                DispatchMessage(&msg);
            vyx::LineMonitor::Instance().Shutdown();
            return 0;
        });
        device->runUntilIdle();
    }

    Notes m_notes;
    std::shared_ptr<emu::Process> m_process;
};

TEST_F(LineMonitorTest, ReadsEveryKindOfCallerIdentity)
{
    startMonitor();
    ASSERT_TRUE(m_notes.initialized);
    emu::Telephony& network = device->telephony();
    const PartyId callers[] = {
        { PartyId::Kind::Number, u"+79161234567" },
        { PartyId::Kind::Partial, u"91612" },
        { PartyId::Kind::Withheld, u"" },
        { PartyId::Kind::Unavailable, u"" },
        { PartyId::Kind::OutOfArea, u"" },
        { PartyId::Kind::Pending, u"" },
    };
    for (const PartyId& caller : callers) {
        const HCALL call = network.offerCall(caller);
        device->runUntilIdle();
        network.dropCall(call, LINEDISCONNECTMODE_NORMAL);
        device->runUntilIdle();
    }
    // Each call is read when offered and again, by its handle, when it ends.
    const std::vector<std::string> expected {
        "known \"+79161234567\"", "known \"+79161234567\"",
        "known \"91612\"", "known \"91612\"",
        "known blocked \"\"", "known blocked \"\"",
        "known \"\"", "known \"\"",
        "known \"\"", "known \"\"",
        "unknown \"\"", "unknown \"\"",
    };
    EXPECT_EQ(m_notes.callers, expected);
}

TEST_F(LineMonitorTest, IdentityReportedLateIsReadOnceItArrives)
{
    startMonitor();
    emu::Telephony& network = device->telephony();
    const HCALL call = network.offerCall(PartyId { PartyId::Kind::Pending, u"" });
    device->runUntilIdle();
    network.reportCallerId(call, PartyId { PartyId::Kind::Number, u"84951234567" });
    network.dropCall(call, LINEDISCONNECTMODE_NORMAL);
    device->runUntilIdle();
    EXPECT_EQ(m_notes.callers, (std::vector<std::string> { "unknown \"\"", "known \"84951234567\"" }));
}

struct DeviceListCase {
    const char* name;
    std::vector<DWORD> mediaModes;
    bool opens;
};

TEST_F(LineMonitorTest, OpensTheFirstLineThatCarriesVoice)
{
    const DWORD data = LINEMEDIAMODE_DATAMODEM;
    const DWORD voice = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_DATAMODEM;
    const DeviceListCase cases[] = {
        { "voice line first", { voice, data }, true },
        { "voice line second", { data, voice }, true },
        { "voice line third", { data, data, voice }, true },
        { "no voice line", { data, data }, false },
        { "no line at all", {}, false },
    };
    for (const DeviceListCase& c : cases) {
        emu::DeviceProfile profile;
        profile.lineDevices.clear();
        for (const DWORD modes : c.mediaModes)
            profile.lineDevices.push_back(emu::LineDeviceProfile { u"Line", modes });
        resetDevice(profile);
        m_notes = {};
        startMonitor();
        EXPECT_EQ(m_notes.initialized, c.opens) << c.name;
        if (!c.opens)
            continue;
        const HCALL call = device->telephony().offerCall(PartyId { PartyId::Kind::Number, u"1234567" });
        device->runUntilIdle();
        device->telephony().dropCall(call, LINEDISCONNECTMODE_NORMAL);
        device->runUntilIdle();
        EXPECT_EQ(m_notes.callers.size(), 2u) << c.name;
    }
}

TEST_F(LineMonitorTest, RestartingTelephonyAsksTheUserAfterFiveSecondsOkGivesUpCancelWaitsOn)
{
    struct RestartCase {
        const char* answer;
        bool initialized;
        std::size_t boxes;
    };
    // 200 restarts of 50 ms: ten seconds of waiting, past the five-second mark once.
    const RestartCase cases[] = { { "OK", false, 1 }, { "Cancel", true, 1 } };
    for (const RestartCase& c : cases) {
        emu::DeviceProfile profile;
        profile.lineReinitAnswers = 200;
        resetDevice(profile);
        m_notes = {};
        device->messageBoxAnswers().push_back(c.answer);
        startMonitor();
        device->runFor(20000);
        EXPECT_EQ(m_notes.initialized, c.initialized) << c.answer;
        const std::string log = transcript();
        std::size_t boxes = 0;
        for (auto at = log.find("messagebox \"Warning\" \"Cannot initialize the application's use\\nof tapi.dll. Quit all other "
                                "telephony\\nprograms, and then try again.\" OK,Cancel -> " + std::string(c.answer));
             at != std::string::npos; at = log.find("messagebox \"Warning\"", at + 1))
            ++boxes;
        EXPECT_EQ(boxes, c.boxes) << c.answer << "\n" << log;
        if (m_process && !m_process->finished()) {
            device->terminateProcess(*m_process, 0);
            device->runUntilIdle();
        }
    }
}

}
