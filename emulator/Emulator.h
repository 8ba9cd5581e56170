// One run of devemu: the device folder, the device built from its profile with the programs
// installed, powered on for the script and off at the end.
#pragma once

#include "emulator/DeviceFolder.h"
#include "emulator/ScriptRunner.h"
#include "platform/emu/Device.h"
#include "platform/emu/Transcript.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace devemu {

struct EmulatorOptions {
    std::filesystem::path folder { "device" };
    bool wipe { false };
    std::optional<std::pair<int, int>> screen;
    std::optional<int> dpi;
    std::optional<emu::WallMs> startTime;
    std::optional<LCID> locale;
};

class Emulator {
public:
    // Nullptr with `error` set when the folder cannot be prepared.
    static std::unique_ptr<Emulator> open(const EmulatorOptions&, std::ostream& transcript, std::string& error);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    bool runScript(const std::vector<std::string>& lines, std::ostream& errors);
    emu::Device& device() { return *m_device; }

private:
    Emulator(DeviceFolder, const emu::DeviceProfile&, std::ostream& transcript);
    std::string powerOn(bool newDevice);

    DeviceFolder m_folder;
    emu::Transcript m_transcript;
    std::unique_ptr<emu::Device> m_device;
    std::unique_ptr<ScriptRunner> m_runner;
};

}
