// The phone's telephony service: its line devices, the programs' line applications and their lines,
// the calls, and the network's side through which a driver offers, dials, connects and ends calls.
// Every event of a call goes to each open line that sees the call, through the callback thread of the
// line's application, and is written to the transcript once.
#pragma once

#include "platform/api/Tapi.h"
#include "platform/emu/DeviceProfile.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace emu {

class Device;
class Process;
class TelephonyApp;

// What the network tells of a party of a call.
struct PartyId {
    enum class Kind { Number, Partial, Withheld, Unavailable, OutOfArea, Pending };
    Kind kind { Kind::Pending };
    // The digits, for a number and a partial number.
    std::u16string number;
};

// A call on the voice line, as the network reported it.
struct TelephonyCall {
    HCALL handle;
    DWORD callId;
    DWORD deviceId;
    DWORD mediaMode;
    bool outgoing;
    // The last LINECALLSTATE_ value the network raised.
    DWORD state;
    PartyId caller;
    PartyId called;
    PartyId connected;

    bool ended() const { return state == LINECALLSTATE_DISCONNECTED; }
};

class Telephony {
public:
    explicit Telephony(Device&);
    ~Telephony();
    Telephony(const Telephony&) = delete;
    Telephony& operator=(const Telephony&) = delete;

    // ---- For the line functions, called on the program's emulated thread
    const std::vector<LineDeviceProfile>& lineDevices() const;
    bool isFailing(const std::string& function) const;
    // Takes one of the LINEERR_REINIT answers the profile asks for; false when none is left.
    bool takeReinitAnswer();
    // Registers a line application of `process` and starts its callback thread.
    HLINEAPP initialize(Process&, LINECALLBACK, std::u16string appName);
    // The live application of that handle, when `process` registered it; null otherwise.
    std::shared_ptr<TelephonyApp> findApp(HLINEAPP, const Process&) const;
    void shutDown(TelephonyApp&);
    HLINE open(TelephonyApp&, DWORD deviceId, DWORD_PTR instance, DWORD privileges, DWORD mediaModes);
    // Closes a line of one of `process`'s applications; false when it has no such line.
    bool close(HLINE, const Process&);
    void setAppPriority(const std::u16string& appName, DWORD mediaMode, DWORD requestMode, DWORD priority);
    const TelephonyCall* findCall(HCALL) const;
    // The line of `process` that was told of the call, or null.
    HLINE lineKnowing(const TelephonyCall&, const Process&) const;

    // ---- The network's side, for drivers. A step the call cannot take throws std::logic_error saying why.
    HCALL offerCall(const PartyId& caller);
    // The identity of the caller of an offered call arrives (LINE_CALLINFO, CALLERID).
    void reportCallerId(HCALL, const PartyId& caller);
    HCALL dialCall(const std::u16string& number);
    // The network names the party an outgoing call reaches (LINE_CALLINFO, CONNECTEDID).
    void reportConnectedParty(HCALL, const PartyId& party);
    // The called party of an outgoing call is busy.
    void reportBusy(HCALL);
    void connectCall(HCALL);
    // Ends the call with a LINEDISCONNECTMODE_ value.
    void dropCall(HCALL, DWORD disconnectMode);
    // The last offered or dialled call that has not ended.
    std::optional<HCALL> currentCall() const;

    // ---- For drivers
    // The priority lineSetAppPriority last gave the application (compared without regard to case) for
    // a media mode, or with no media mode for a request mode; nullopt when it gave none.
    std::optional<DWORD> appPriority(const std::u16string& appName, DWORD mediaMode, DWORD requestMode = 0) const;
    // The disconnect modes by the names devemu and the transcript use: "normal", "busy", "reject", "noanswer".
    static std::optional<DWORD> disconnectModeNamed(const std::string& name);
    // How the transcript shows a party: "\"+79161234567\"", "partial \"1234\"", "withheld"...
    static std::string describe(const PartyId&);

private:
    TelephonyCall& callFor(HCALL, const char* step);
    TelephonyCall& addCall(bool outgoing);
    void raise(TelephonyCall&, DWORD message, DWORD param1, DWORD param2, const std::string& what);

    Device& m_device;
    unsigned m_reinitAnswersLeft;
    // Shared with their callback threads, which keep them until they end.
    std::vector<std::shared_ptr<TelephonyApp>> m_apps;
    std::vector<TelephonyCall> m_calls;
    std::map<std::tuple<std::u16string, DWORD, DWORD>, DWORD> m_priorities;
    std::uintptr_t m_nextApp;
    std::uintptr_t m_nextLine;
};

}
