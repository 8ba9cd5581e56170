#include "platform/emu/EmuThread.h"

#include "platform/emu/Device.h"
#include "platform/emu/Process.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

namespace emu {

namespace {
thread_local EmuThread* t_current = nullptr;
}

EmuThread* currentThread()
{
    return t_current;
}

EmuThread::EmuThread(Process& process, DWORD id, std::function<DWORD()> body)
    : m_process(process)
    , m_id(id)
    , m_body(std::move(body))
{
    storageProcess = &process;
}

EmuThread::~EmuThread()
{
    join();
}

std::string EmuThread::describe() const
{
    return "thread " + std::to_string(m_id) + " of " + m_process.name() + " pid " + std::to_string(m_process.id());
}

void EmuThread::start()
{
    m_host = std::thread([this] { hostMain(); });
}

void EmuThread::join()
{
    if (!m_host.joinable())
        return;
    // A parked thread never ends: it is let go instead.
    if (m_parked)
        m_host.detach();
    else
        m_host.join();
}

void EmuThread::markFinished(DWORD exitCode)
{
    m_exitCode = exitCode;
    m_finished = true;
}

void EmuThread::endTerminated()
{
    Device& device = m_process.device();
    device.onThreadExit(*this, m_process.exitCode());
    t_current = nullptr;
    m_parked = true;
    device.scheduler().finishCurrent(*this);
    // Never destroyed, so that a parked thread outlives everything, the device included.
    static auto* const parking = new std::pair<std::mutex, std::condition_variable>();
    std::unique_lock lock(parking->first);
    parking->second.wait(lock, [] { return false; });
    std::terminate();
}

void EmuThread::hostMain()
{
    Device& device = m_process.device();
    device.scheduler().waitForFirstTurn(*this);
    t_current = this;
    DWORD exitCode = 0;
    if (m_terminateRequested)
        endTerminated();
    try {
        exitCode = m_body();
    } catch (const ThreadExitRequest& request) {
        exitCode = request.exitCode;
    } catch (const std::exception& error) {
        device.reportCrash(*this, error.what());
        exitCode = m_process.exitCode();
    } catch (...) {
        device.reportCrash(*this, "an exception of unknown type");
        exitCode = m_process.exitCode();
    }
    device.onThreadExit(*this, exitCode);
    t_current = nullptr;
    device.scheduler().finishCurrent(*this);
}

}
