// Runs a devemu script on a device folder, as devemu does, and keeps what it printed.
#pragma once

#include "emulator/Emulator.h"

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

struct ScriptResult {
    bool succeeded;
    std::string transcript;
    std::string errors;
};

// `prepare` may install extra programs on the device before the script runs.
inline ScriptResult runEmulatorScript(const std::filesystem::path& folder, const std::vector<std::string>& lines, bool wipe = false,
                                      const std::function<void(emu::Device&)>& prepare = {})
{
    std::ostringstream transcript;
    std::ostringstream errors;
    devemu::EmulatorOptions options;
    options.folder = folder;
    options.wipe = wipe;
    std::string error;
    bool succeeded = false;
    {
        auto emulator = devemu::Emulator::open(options, transcript, error);
        if (!emulator)
            return { false, {}, error };
        if (prepare)
            prepare(emulator->device());
        succeeded = emulator->runScript(lines, errors);
    }
    return { succeeded, transcript.str(), errors.str() };
}

inline std::size_t countOccurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}
