#include "platform/emu/TelephonyApp.h"

#include "platform/emu/Device.h"
#include "platform/emu/EmuThread.h"
#include "platform/emu/Text.h"

#include <algorithm>

namespace emu {

TelephonyApp::TelephonyApp(HLINEAPP handle, Process& process, LINECALLBACK callback, std::u16string name)
    : m_handle(handle)
    , m_process(process)
    , m_callback(callback)
    , m_name(std::move(name))
{
}

bool TelephonyApp::alive() const
{
    const auto thread = m_thread.lock();
    return !m_shutDown && thread && !thread->finished();
}

void TelephonyApp::startCallbackThread(Device& device)
{
    Scheduler& scheduler = device.scheduler();
    m_thread = device.createThread(m_process, [self = shared_from_this(), &scheduler] { return self->runCallbacks(scheduler); });
}

void TelephonyApp::shutDown()
{
    m_shutDown = true;
    m_lines.clear();
    m_events.clear();
}

bool TelephonyApp::hasLine(HLINE line) const
{
    return std::any_of(m_lines.begin(), m_lines.end(), [&](const OpenLine& open) { return open.handle == line; });
}

bool TelephonyApp::closeLine(HLINE line)
{
    const auto it = std::find_if(m_lines.begin(), m_lines.end(), [&](const OpenLine& open) { return open.handle == line; });
    if (it == m_lines.end())
        return false;
    m_lines.erase(it);
    return true;
}

void TelephonyApp::queue(const LineEvent& event)
{
    m_events.push_back(event);
}

DWORD TelephonyApp::runCallbacks(Scheduler& scheduler)
{
    const std::string waitsFor = "line events of " + quotedText(m_name);
    for (;;) {
        scheduler.block(WaitRequest { [this] { return m_shutDown || !m_events.empty(); }, std::nullopt, waitsFor });
        if (m_shutDown)
            return 0;
        const LineEvent event = m_events.front();
        m_events.pop_front();
        // A line closed after the event was raised hears nothing more.
        if (hasLine(event.line))
            m_callback(event.hDevice, event.message, event.instance, event.param1, event.param2, event.param3);
    }
}

}
