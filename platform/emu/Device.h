// The emulated phone: one world holding the virtual clock, the scheduler, processes and threads,
// kernel objects, windows, files and libraries. A driver (a test, devemu) owns the device, starts
// programs, injects events and runs the device on virtual time.
#pragma once

#include "platform/api/ModuleResources.h"
#include "platform/api/WinTypes.h"
#include "platform/emu/DeviceProfile.h"
#include "platform/emu/HandleTable.h"
#include "platform/emu/HeapTable.h"
#include "platform/emu/LibraryTable.h"
#include "platform/emu/NamedObjects.h"
#include "platform/emu/OpenFiles.h"
#include "platform/emu/Scheduler.h"
#include "platform/emu/Transcript.h"
#include "platform/emu/VirtualClock.h"

#include <array>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace emu {

class EmuThread;
class FileSystem;
class Gdi;
class Imaging;
class MenuTable;
class MemoryRegion;
class ObjectStore;
class PocketOutlook;
class Process;
class Registry;
class Telephony;
class WindowManager;

// A program's main routine: the instance and the command line, as WinMain receives them.
using ProgramEntry = std::function<int(HINSTANCE, const std::u16string& commandLine)>;

enum class RunOutcome { Done, TimeLimit, Deadlock };

class Device {
public:
    Device(std::filesystem::path folder, DeviceProfile, Transcript&);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const DeviceProfile& profile() const { return m_profile; }
    VirtualClock& clock() { return m_clock; }
    Scheduler& scheduler() { return m_scheduler; }
    HandleTable& handles() { return m_handles; }
    NamedObjects& namedObjects() { return m_named; }
    LibraryTable& libraries() { return m_libraries; }
    WindowManager& windows() { return *m_windows; }
    FileSystem& files() { return *m_files; }
    OpenFiles& openFiles() { return m_openFiles; }
    Gdi& gdi() { return *m_gdi; }
    MenuTable& menus() { return *m_menus; }
    Registry& registry() { return *m_registry; }
    Telephony& telephony() { return *m_telephony; }
    HeapTable& heaps() { return m_heaps; }
    ObjectStore& objectStore() { return *m_objectStore; }
    PocketOutlook& pocketOutlook() { return *m_pocketOutlook; }
    Imaging& imaging() { return *m_imaging; }
    Transcript& transcript() { return m_transcript; }

    // ---- Programs
    // Installs a program at a device path ("\\Windows\\cprog.exe"); it starts by that path or by its name.
    // Its resources, when it has any, are borrowed and must outlive the device.
    void installProgram(const std::u16string& path, ProgramEntry, const platform::ModuleResources* resources = nullptr);
    // The installed path a name or path starts, or nullopt when no such program is installed.
    std::optional<std::u16string> resolveProgram(const std::u16string& nameOrPath) const;
    std::shared_ptr<Process> startProgram(const std::u16string& nameOrPath, const std::u16string& commandLine);
    std::shared_ptr<EmuThread> createThread(Process&, std::function<DWORD()> body);
    const std::vector<std::shared_ptr<Process>>& processes() const { return m_processes; }
    std::shared_ptr<Process> findProcess(DWORD id) const;
    // The running process started from a program of that name or path, the newest first.
    std::shared_ptr<Process> findRunningProcess(const std::u16string& nameOrPath) const;
    void terminateProcess(Process&, DWORD exitCode);

    // ---- Memory views, shared by every process at the same address. A view belongs to the process
    // that mapped it and goes away when that process ends.
    void addView(const void* base, std::shared_ptr<MemoryRegion>);
    // Takes away a view of the calling process at that address (another's when it has none there).
    bool removeView(const void* base);
    std::shared_ptr<MemoryRegion> findView(const void* base) const;

    // ---- Keys held down, as the driver injected them
    void setKeyDown(int virtualKey, bool down);
    bool isKeyDown(int virtualKey) const;

    // ---- Answers the driver queued for the next message boxes and menus
    std::deque<std::string>& messageBoxAnswers() { return m_messageBoxAnswers; }
    std::deque<std::string>& menuChoices() { return m_menuChoices; }

    // ---- Driving, from outside the device's threads
    void runUntilIdle();
    void runFor(std::uint64_t milliseconds);
    // Runs until `done` holds; time passes up to `limit` (unlimited when absent). With no limit, a
    // device whose threads all wait with no deadline left ends the run as a deadlock.
    RunOutcome runUntil(const std::function<bool()>& done, std::optional<std::uint64_t> limit);
    // What each blocked thread waits for, one line each.
    std::string deadlockReport() const;

    // ---- Called by the thread machinery on the ending thread
    void onThreadExit(EmuThread&, DWORD exitCode);
    void reportCrash(EmuThread&, const std::string& what);

private:
    void advanceTo(std::uint64_t tick);
    // Closes the handles and unmaps the views an ended process left open, as the system does.
    void releaseResourcesOf(Process&);

    DeviceProfile m_profile;
    Transcript& m_transcript;
    VirtualClock m_clock;
    Scheduler m_scheduler;
    HandleTable m_handles;
    NamedObjects m_named;
    LibraryTable m_libraries;
    std::unique_ptr<FileSystem> m_files;
    OpenFiles m_openFiles;
    std::unique_ptr<WindowManager> m_windows;
    std::unique_ptr<Gdi> m_gdi;
    std::unique_ptr<MenuTable> m_menus;
    std::unique_ptr<Telephony> m_telephony;
    HeapTable m_heaps;
    std::unique_ptr<ObjectStore> m_objectStore;
    std::unique_ptr<PocketOutlook> m_pocketOutlook;
    std::unique_ptr<Imaging> m_imaging;
    // Kept in the folder's ".devemu" entry; written when the device goes away, after its threads.
    std::unique_ptr<Registry> m_registry;

    struct InstalledProgram {
        std::u16string path;
        ProgramEntry entry;
        const platform::ModuleResources* resources;
    };
    std::map<std::u16string, InstalledProgram> m_programs;
    std::vector<std::shared_ptr<Process>> m_processes;
    DWORD m_nextProcessId { 1 };
    DWORD m_nextThreadId { 1 };
    struct View {
        std::shared_ptr<MemoryRegion> region;
        // The process that mapped it; 0 for the driver.
        DWORD owner;
    };
    std::multimap<const void*, View> m_views;
    std::array<bool, 256> m_keysDown {};
    std::deque<std::string> m_messageBoxAnswers;
    std::deque<std::string> m_menuChoices;
};

// The device of the calling emulated thread.
Device& currentDevice();

}
