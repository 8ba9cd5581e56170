#include "platform/emu/Device.h"

#include "platform/emu/EmuThread.h"
#include "platform/emu/FileSystem.h"
#include "platform/emu/Gdi.h"
#include "platform/emu/Imaging.h"
#include "platform/emu/MemoryRegion.h"
#include "platform/emu/MenuTable.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/DbError.h"
#include "platform/emu/MutexObject.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/PocketOutlook.h"
#include "platform/emu/Process.h"
#include "platform/emu/Registry.h"
#include "platform/emu/Telephony.h"
#include "platform/emu/Text.h"
#include "platform/emu/WindowManager.h"

#include <algorithm>
#include <sstream>

namespace emu {

namespace {
// The exit code of a process ended by an exception nobody caught.
constexpr DWORD unhandledExceptionCode = 0xE06D7363;

std::u16string programKey(const std::u16string& path)
{
    return foldCase(path);
}

std::u16string baseName(const std::u16string& path)
{
    const auto slash = path.find_last_of(u'\\');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}
}

Device::Device(std::filesystem::path folder, DeviceProfile profile, Transcript& transcript)
    : m_profile(std::move(profile))
    , m_transcript(transcript)
    , m_clock(m_profile.bootTime, m_profile.localBiasMinutes)
    , m_scheduler(m_clock)
    , m_libraries(m_profile.missingLibraryEntries)
    , m_files(std::make_unique<FileSystem>(std::move(folder)))
    , m_windows(std::make_unique<WindowManager>(*this))
    , m_gdi(std::make_unique<Gdi>(*m_windows))
    , m_menus(std::make_unique<MenuTable>())
    , m_telephony(std::make_unique<Telephony>(*this))
    , m_objectStore(std::make_unique<ObjectStore>(*this))
    , m_pocketOutlook(std::make_unique<PocketOutlook>(*m_objectStore, m_heaps))
    , m_imaging(std::make_unique<Imaging>())
    , m_registry(std::make_unique<Registry>(m_files->root() / FileSystem::reservedEntry / "registry", *m_windows, m_transcript))
{
    m_transcript.attachClock(&m_clock);
    try {
        ContactsSchema::prepareVolume(*m_objectStore, m_profile.contactsDemotionProperty);
    } catch (const DbError& error) {
        m_transcript.event(std::string("contacts volume not prepared: ") + error.what());
    }
}

Device::~Device()
{
    // Every thread still alive is ended before the device goes away.
    for (const auto& process : m_processes) {
        if (!process->finished())
            terminateProcess(*process, 0);
    }
    m_scheduler.runUntilIdle();
    for (const auto& process : m_processes) {
        for (const auto& thread : process->threads())
            thread->join();
    }
    m_transcript.attachClock(nullptr);
}

void Device::installProgram(const std::u16string& path, ProgramEntry entry, const platform::ModuleResources* resources)
{
    m_programs[programKey(path)] = { path, std::move(entry), resources };
}

std::optional<std::u16string> Device::resolveProgram(const std::u16string& nameOrPath) const
{
    const auto exact = m_programs.find(programKey(nameOrPath));
    if (exact != m_programs.end())
        return exact->second.path;
    // A bare name finds the program whose file name is that name, with or without ".exe".
    if (nameOrPath.find(u'\\') != std::u16string::npos)
        return std::nullopt;
    for (const auto& [key, program] : m_programs) {
        const std::u16string file = baseName(program.path);
        if (equalsIgnoringCase(file, nameOrPath) || equalsIgnoringCase(file, nameOrPath + u".exe"))
            return program.path;
    }
    return std::nullopt;
}

std::shared_ptr<Process> Device::startProgram(const std::u16string& nameOrPath, const std::u16string& commandLine)
{
    const auto path = resolveProgram(nameOrPath);
    if (!path)
        return nullptr;
    const InstalledProgram& program = m_programs.at(programKey(*path));
    auto process = std::make_shared<Process>(*this, m_nextProcessId++, *path, commandLine, program.resources);
    m_processes.push_back(process);
    m_transcript.event("started " + process->name() + " pid " + std::to_string(process->id()) + " " + quotedText(commandLine));
    Process& started = *process;
    createThread(started, [&started, entry = program.entry, commandLine] {
        return static_cast<DWORD>(entry(started.instance(), commandLine));
    });
    return process;
}

std::shared_ptr<EmuThread> Device::createThread(Process& process, std::function<DWORD()> body)
{
    auto thread = std::make_shared<EmuThread>(process, m_nextThreadId++, std::move(body));
    process.threads().push_back(thread);
    m_scheduler.makeReady(*thread);
    thread->start();
    return thread;
}

std::shared_ptr<Process> Device::findProcess(DWORD id) const
{
    const auto it = std::find_if(m_processes.begin(), m_processes.end(), [&](const auto& p) { return p->id() == id; });
    return it == m_processes.end() ? nullptr : *it;
}

std::shared_ptr<Process> Device::findRunningProcess(const std::u16string& nameOrPath) const
{
    const auto path = resolveProgram(nameOrPath);
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        const Process& process = **it;
        if (process.finished())
            continue;
        if ((path && equalsIgnoringCase(process.imagePath(), *path)) || equalsIgnoringCase(fromUtf8(process.name()), nameOrPath))
            return *it;
    }
    return nullptr;
}

void Device::terminateProcess(Process& process, DWORD exitCode)
{
    process.decideExitCode(exitCode);
    for (const auto& thread : process.threads())
        m_scheduler.requestTerminate(*thread);
}

void Device::addView(const void* base, std::shared_ptr<MemoryRegion> region)
{
    const EmuThread* mapper = currentThread();
    m_views.emplace(base, View { std::move(region), mapper ? mapper->process().id() : 0 });
}

bool Device::removeView(const void* base)
{
    const auto [first, last] = m_views.equal_range(base);
    if (first == last)
        return false;
    const EmuThread* caller = currentThread();
    const DWORD owner = caller ? caller->process().id() : 0;
    const auto own = std::find_if(first, last, [owner](const auto& view) { return view.second.owner == owner; });
    m_views.erase(own != last ? own : first);
    return true;
}

std::shared_ptr<MemoryRegion> Device::findView(const void* base) const
{
    const auto it = m_views.find(base);
    return it == m_views.end() ? nullptr : it->second.region;
}

void Device::releaseResourcesOf(Process& process)
{
    std::vector<std::shared_ptr<MemoryRegion>> regions;
    for (auto it = m_views.begin(); it != m_views.end();) {
        if (it->second.owner == process.id()) {
            regions.push_back(std::move(it->second.region));
            it = m_views.erase(it);
        } else {
            ++it;
        }
    }
    // The objects go once nothing else holds them, after the tables are consistent again.
    const auto objects = m_handles.removeOwnedBy(process.id());
}

void Device::setKeyDown(int virtualKey, bool down)
{
    m_keysDown.at(static_cast<std::size_t>(virtualKey & 0xFF)) = down;
}

bool Device::isKeyDown(int virtualKey) const
{
    return m_keysDown.at(static_cast<std::size_t>(virtualKey & 0xFF));
}

void Device::runUntilIdle()
{
    m_scheduler.runUntilIdle();
}

void Device::advanceTo(std::uint64_t tick)
{
    m_scheduler.advanceClockTo(tick);
    m_scheduler.runUntilIdle();
}

void Device::runFor(std::uint64_t milliseconds)
{
    const std::uint64_t target = m_clock.now() + milliseconds;
    runUntilIdle();
    for (;;) {
        const auto next = m_scheduler.nextDeadline();
        if (!next || *next > target)
            break;
        advanceTo(std::max(*next, m_clock.now()));
    }
    advanceTo(target);
}

RunOutcome Device::runUntil(const std::function<bool()>& done, std::optional<std::uint64_t> limit)
{
    const std::optional<std::uint64_t> target = limit ? std::optional(m_clock.now() + *limit) : std::nullopt;
    runUntilIdle();
    while (!done()) {
        const auto next = m_scheduler.nextDeadline();
        if (next && (!target || *next <= *target)) {
            advanceTo(std::max(*next, m_clock.now()));
            continue;
        }
        if (!target)
            return RunOutcome::Deadlock;
        advanceTo(*target);
        return done() ? RunOutcome::Done : RunOutcome::TimeLimit;
    }
    return RunOutcome::Done;
}

std::string Device::deadlockReport() const
{
    const auto lines = m_scheduler.describeBlocked();
    if (lines.empty())
        return "no thread is left to run";
    std::ostringstream report;
    for (std::size_t i = 0; i < lines.size(); ++i)
        report << (i ? "; " : "") << lines[i];
    return report.str();
}

void Device::onThreadExit(EmuThread& thread, DWORD exitCode)
{
    Process& process = thread.process();
    m_windows->destroyWindowsOfThread(thread);
    thread.queue.abandonSent();
    for (const auto& owned : thread.ownedMutexes) {
        if (const auto mutex = owned.lock(); mutex && mutex->isOwnedBy(thread))
            mutex->abandon();
    }
    thread.ownedMutexes.clear();

    const bool isMainThread = process.threads().front().get() == &thread;
    if (isMainThread) {
        process.decideExitCode(exitCode);
        for (const auto& other : process.threads()) {
            if (other.get() != &thread)
                m_scheduler.requestTerminate(*other);
        }
    }
    // The thread counts as ended from here on; the process ends with its last thread.
    thread.markFinished(exitCode);
    if (!process.hasLiveThreads()) {
        process.releaseValues();
        releaseResourcesOf(process);
        process.markFinished();
        m_transcript.event("exited " + process.name() + " pid " + std::to_string(process.id()) + " code "
            + std::to_string(process.exitCode()));
    }
    m_scheduler.wakeWaiters();
}

void Device::reportCrash(EmuThread& thread, const std::string& what)
{
    Process& process = thread.process();
    m_transcript.event("crashed " + process.name() + " pid " + std::to_string(process.id()) + " thread "
        + std::to_string(thread.id()) + ": " + what);
    terminateProcess(process, unhandledExceptionCode);
}

Device& currentDevice()
{
    return currentThread()->process().device();
}

}
