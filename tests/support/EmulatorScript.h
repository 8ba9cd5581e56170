// Runs a devemu script on a device folder, as devemu does, and keeps what it printed.
#pragma once

#include "emulator/Emulator.h"

#include <filesystem>
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
inline ScriptResult runEmulatorScript(const devemu::EmulatorOptions& options, const std::vector<std::string>& lines,
                                      const std::function<void(emu::Device&)>& prepare = {})
{
    std::ostringstream transcript;
    std::ostringstream errors;
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

inline ScriptResult runEmulatorScript(const std::filesystem::path& folder, const std::vector<std::string>& lines, bool wipe = false,
                                      const std::function<void(emu::Device&)>& prepare = {})
{
    devemu::EmulatorOptions options;
    options.folder = folder;
    options.wipe = wipe;
    return runEmulatorScript(options, lines, prepare);
}

// What a command printed from `at` (just after its echo), without time stamps, up to the next command
// or the device's end. The start and end of `helperProgram`, when given, are left out.
inline std::vector<std::string> linesPrintedFrom(const std::string& transcript, std::size_t at, const std::string& helperProgram)
{
    std::vector<std::string> printed;
    while (at < transcript.size()) {
        const auto end = transcript.find('\n', at);
        std::string printedLine = transcript.substr(at, end - at);
        printedLine = printedLine.substr(printedLine.find("] ") + 2);
        if (printedLine.starts_with("> ") || printedLine == "power off")
            break;
        const bool helperLine = !helperProgram.empty()
            && (printedLine.starts_with("started " + helperProgram + " ") || printedLine.starts_with("exited " + helperProgram + " "));
        if (!helperLine)
            printed.push_back(printedLine);
        at = end + 1;
    }
    return printed;
}

// What the command `line` (as echoed) printed the first time it ran; see linesPrintedFrom.
inline std::vector<std::string> linesPrintedAfter(const std::string& transcript, const std::string& line,
                                                  const std::string& helperProgram = {})
{
    const std::string marker = "] > " + line + "\n";
    const auto at = transcript.find(marker);
    if (at == std::string::npos)
        return { "<no command " + line + ">" };
    return linesPrintedFrom(transcript, at + marker.size(), helperProgram);
}

// What the command `line` printed each time it ran, in order.
inline std::vector<std::vector<std::string>> linesPrintedAfterEach(const std::string& transcript, const std::string& line,
                                                                   const std::string& helperProgram = {})
{
    std::vector<std::vector<std::string>> runs;
    const std::string marker = "] > " + line + "\n";
    for (auto at = transcript.find(marker); at != std::string::npos; at = transcript.find(marker, at + marker.size()))
        runs.push_back(linesPrintedFrom(transcript, at + marker.size(), helperProgram));
    return runs;
}

// The command that imports the sample address book the demo uses (a dozen contacts, Petrov's dacha
// "+7 495 111-22-33" among his notes' extras).
inline std::string importSampleBook()
{
    const auto book = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "emulator" / "samples" / "contacts.vcf";
    return "contacts import \"" + book.string() + "\"";
}

inline std::size_t countOccurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}
