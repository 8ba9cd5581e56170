// One emulated process: its threads, its exit code, its process-wide values and its program's resources.
#pragma once

#include "platform/api/ModuleResources.h"
#include "platform/api/ProcessStorage.h"
#include "platform/api/WinTypes.h"
#include "platform/emu/KernelObject.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace emu {

class Device;
class EmuThread;

class Process final : public KernelObject {
public:
    Process(Device&, DWORD id, std::u16string imagePath, std::u16string commandLine,
            const platform::ModuleResources* resources);
    ~Process() override;

    Device& device() const { return m_device; }
    DWORD id() const { return m_id; }
    const std::u16string& imagePath() const { return m_imagePath; }
    const std::u16string& commandLine() const { return m_commandLine; }
    // The program's file name without its folder and extension: "Vyx".
    std::string name() const;
    HINSTANCE instance() const;
    // The resources of the program the process was started from; null when it has none.
    const platform::ModuleResources* resources() const { return m_resources; }

    std::string describe() const override;
    bool isWaitable() const override { return true; }
    bool isSignaledFor(const EmuThread&) const override { return m_finished; }

    bool finished() const { return m_finished; }
    DWORD exitCode() const { return m_exitCode; }
    // The first exit code decided (main routine's return, ExitProcess, TerminateProcess) wins.
    void decideExitCode(DWORD code);
    bool exitCodeDecided() const { return m_exitDecided; }
    void markFinished();

    std::vector<std::shared_ptr<EmuThread>>& threads() { return m_threads; }
    bool hasLiveThreads() const;

    platform::ProcessValue& value(const void* key, std::unique_ptr<platform::ProcessValue> (*make)());
    // Destroys the process-wide values, newest first, once the last thread has ended.
    void releaseValues();

private:
    Device& m_device;
    DWORD m_id;
    std::u16string m_imagePath;
    std::u16string m_commandLine;
    const platform::ModuleResources* m_resources;
    std::vector<std::shared_ptr<EmuThread>> m_threads;
    bool m_finished { false };
    bool m_exitDecided { false };
    DWORD m_exitCode { 259 };
    std::vector<std::pair<const void*, std::unique_ptr<platform::ProcessValue>>> m_values;
};

}
