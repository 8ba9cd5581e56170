// One emulated thread: a host thread that runs only when the device's scheduler lets it.
#pragma once

#include "platform/api/WinTypes.h"
#include "platform/emu/KernelObject.h"
#include "platform/emu/MessageQueue.h"
#include "platform/emu/Scheduler.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace emu {

class Device;
class Process;
class MutexObject;

// Thrown by ExitThread and ExitProcess to leave the thread's start routine.
struct ThreadExitRequest {
    DWORD exitCode;
};

class EmuThread final : public KernelObject {
public:
    EmuThread(Process&, DWORD id, std::function<DWORD()> body);
    ~EmuThread() override;

    DWORD id() const { return m_id; }
    Process& process() const { return m_process; }

    std::string describe() const override;
    bool isWaitable() const override { return true; }
    bool isSignaledFor(const EmuThread&) const override { return m_finished; }

    // Starts the host thread; it runs once the scheduler hands it its first turn.
    void start();
    void join();

    // Ends the calling thread where it stands, as the system ends a thread of a killed process: none
    // of the program's code runs after this, not even its destructors. The host thread is parked
    // for good and let go when the device goes away.
    [[noreturn]] void endTerminated();

    bool finished() const { return m_finished; }
    DWORD exitCode() const { return m_exitCode; }
    void markFinished(DWORD exitCode);

    int priority { 3 };
    DWORD lastError { 0 };
    // CoInitializeEx calls not yet matched by CoUninitialize.
    unsigned comStarts { 0 };
    MessageQueue queue;
    // Mutexes this thread owns, handed over as abandoned when it ends.
    std::vector<std::weak_ptr<MutexObject>> ownedMutexes;
    // The last message taken by GetMessage or PeekMessage.
    DWORD lastMessageTime { 0 };
    POINT lastMessagePos { 0, 0 };
    // The process whose storage window procedures and callbacks see while they run: the process
    // that installed them, which is not always the one owning this thread.
    Process* storageProcess { nullptr };

private:
    friend class Scheduler;
    enum class State { Created, Ready, Running, Blocked, Finished };

    void hostMain();

    Process& m_process;
    DWORD m_id;
    std::function<DWORD()> m_body;
    std::thread m_host;
    bool m_finished { false };
    bool m_parked { false };
    DWORD m_exitCode { STILL_ACTIVE_CODE };

    // Owned by the scheduler.
    State m_state { State::Created };
    std::condition_variable m_wake;
    WaitRequest* m_wait { nullptr };
    WakeReason m_wakeReason { WakeReason::Completed };
    bool m_terminateRequested { false };

    static constexpr DWORD STILL_ACTIVE_CODE = 259;
};

// The emulated thread running on this host thread; null on the driver's thread.
EmuThread* currentThread();

}
