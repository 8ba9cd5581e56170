#include "emulator/Emulator.h"

#include "emulator/DesktopShell.h"
#include "emulator/SuitePrograms.h"

namespace devemu {

std::unique_ptr<Emulator> Emulator::open(const EmulatorOptions& options, std::ostream& transcript, std::string& error)
{
    DeviceFolder folder(options.folder);
    if (error = folder.prepare(options.wipe); !error.empty())
        return nullptr;
    const bool newDevice = !folder.hasProfile();
    emu::DeviceProfile profile = folder.loadProfile(error);
    if (!error.empty())
        return nullptr;
    if (options.screen) {
        profile.screenWidth = options.screen->first;
        profile.screenHeight = options.screen->second;
    }
    if (options.dpi)
        profile.dpi = *options.dpi;
    if (options.startTime)
        profile.bootTime = *options.startTime;
    if (options.locale)
        profile.locale = *options.locale;
    if (error = folder.saveProfile(profile); !error.empty())
        return nullptr;
    std::unique_ptr<Emulator> emulator(new Emulator(std::move(folder), profile, transcript));
    if (error = emulator->powerOn(newDevice); !error.empty())
        return nullptr;
    return emulator;
}

Emulator::Emulator(DeviceFolder folder, const emu::DeviceProfile& profile, std::ostream& transcript)
    : m_folder(std::move(folder))
    , m_transcript(transcript)
    , m_device(std::make_unique<emu::Device>(m_folder.path(), profile, m_transcript))
    , m_runner(std::make_unique<ScriptRunner>(*m_device, m_transcript))
{
    SuitePrograms::install(*m_device);
}

std::string Emulator::powerOn(bool newDevice)
{
    if (newDevice) {
        if (std::string error = SuitePrograms::setUpNewDevice(*m_device); !error.empty())
            return error;
    }
    const emu::DeviceProfile& profile = m_device->profile();
    m_transcript.event("power on " + emu::formatDateTime(profile.bootTime) + " screen " + std::to_string(profile.screenWidth) + "x"
        + std::to_string(profile.screenHeight) + " at " + std::to_string(profile.dpi) + " dpi");
    m_device->startProgram(DesktopShell::path, u"");
    m_device->runUntilIdle();
    return {};
}

Emulator::~Emulator()
{
    m_transcript.event("power off");
    m_runner.reset();
    m_device.reset();
}

bool Emulator::runScript(const std::vector<std::string>& lines, std::ostream& errors)
{
    return m_runner->runScript(lines, errors);
}

}
