// One line application: a program's registration with the telephony service, the lines it opened,
// and the thread of its process that runs its callback for each line event, one at a time, in the
// order the events came.
#pragma once

#include "platform/api/Tapi.h"

#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace emu {

class Device;
class EmuThread;
class Process;
class Scheduler;

// A line the application opened on one of the device's line devices.
struct OpenLine {
    HLINE handle;
    DWORD deviceId;
    DWORD_PTR instance;
    DWORD privileges;
    DWORD mediaModes;
    // The calls the line has been told of; the first call state of any other call carries the privilege.
    std::set<HCALL> knownCalls;
};

// One message for the callback, through one of the application's lines.
struct LineEvent {
    HLINE line;
    DWORD hDevice;
    DWORD message;
    DWORD_PTR instance;
    DWORD_PTR param1;
    DWORD_PTR param2;
    DWORD_PTR param3;
};

class TelephonyApp : public std::enable_shared_from_this<TelephonyApp> {
public:
    TelephonyApp(HLINEAPP, Process&, LINECALLBACK, std::u16string name);

    HLINEAPP handle() const { return m_handle; }
    Process& process() const { return m_process; }
    // Whether the application still hears of calls: not shut down, and its callback thread still runs.
    bool alive() const;

    // Starts the callback thread in the application's process; it waits for the first event.
    void startCallbackThread(Device&);
    // Closes every line and drops the events not yet delivered; the callback thread ends once it is
    // back from the callback it may be running.
    void shutDown();

    std::vector<OpenLine>& lines() { return m_lines; }
    bool hasLine(HLINE) const;
    bool closeLine(HLINE);

    // Queues an event for the callback thread; whoever raised it wakes the device's waiters.
    void queue(const LineEvent&);

private:
    DWORD runCallbacks(Scheduler&);

    HLINEAPP m_handle;
    Process& m_process;
    LINECALLBACK m_callback;
    std::u16string m_name;
    std::vector<OpenLine> m_lines;
    std::deque<LineEvent> m_events;
    bool m_shutDown { false };
    std::weak_ptr<EmuThread> m_thread;
};

}
