#include "platform/emu/Process.h"

#include "platform/emu/EmuThread.h"
#include "platform/emu/Text.h"

#include <algorithm>

namespace emu {

Process::Process(Device& device, DWORD id, std::u16string imagePath, std::u16string commandLine,
                 const platform::ModuleResources* resources)
    : m_device(device)
    , m_id(id)
    , m_imagePath(std::move(imagePath))
    , m_commandLine(std::move(commandLine))
    , m_resources(resources)
{
}

Process::~Process() = default;

std::string Process::name() const
{
    std::u16string file = m_imagePath.substr(m_imagePath.find_last_of(u'\\') + 1);
    if (const auto dot = file.find_last_of(u'.'); dot != std::u16string::npos)
        file.resize(dot);
    return toUtf8(file);
}

HINSTANCE Process::instance() const
{
    return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(m_id) << 16);
}

std::string Process::describe() const
{
    return "process " + name() + " pid " + std::to_string(m_id);
}

void Process::decideExitCode(DWORD code)
{
    if (m_exitDecided)
        return;
    m_exitDecided = true;
    m_exitCode = code;
}

void Process::markFinished()
{
    m_finished = true;
}

bool Process::hasLiveThreads() const
{
    return std::any_of(m_threads.begin(), m_threads.end(), [](const auto& thread) { return !thread->finished(); });
}

platform::ProcessValue& Process::value(const void* key, std::unique_ptr<platform::ProcessValue> (*make)())
{
    const auto it = std::find_if(m_values.begin(), m_values.end(), [&](const auto& entry) { return entry.first == key; });
    if (it != m_values.end())
        return *it->second;
    m_values.emplace_back(key, make());
    return *m_values.back().second;
}

void Process::releaseValues()
{
    while (!m_values.empty()) {
        auto value = std::move(m_values.back().second);
        m_values.pop_back();
        value.reset();
    }
}

}
