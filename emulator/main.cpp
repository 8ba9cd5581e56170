// devemu: runs the Korvane suite on an emulated phone kept in a folder, from a script of commands.
#include "emulator/Emulator.h"
#include "emulator/ScriptSyntax.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

constexpr const char* usage =
    "usage: devemu [--device DIR] [--new] [--screen WxH] [--dpi N] [--at \"YYYY-MM-DD HH:MM\"] [--locale LCID]\n"
    "              [SCRIPT | -c \"CMD; CMD\" | -]\n";

std::vector<std::string> readLines(std::istream& in)
{
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int fail(const std::string& message)
{
    std::cerr << "devemu: " << message << '\n' << usage;
    return 2;
}

}

int main(int argc, char** argv)
{
    devemu::EmulatorOptions options;
    std::optional<std::vector<std::string>> script;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h") {
            std::cout << usage;
            return 0;
        } else if (argument == "--new") {
            options.wipe = true;
        } else if (argument == "--device" && hasValue) {
            options.folder = argv[++i];
        } else if (argument == "--screen" && hasValue) {
            int width = 0, height = 0;
            char by = 0;
            std::istringstream parse(argv[++i]);
            if (!(parse >> width >> by >> height) || by != 'x' || width <= 0 || height <= 0)
                return fail(std::string("not a screen size: ") + argv[i] + " (write 240x320)");
            options.screen = std::pair(width, height);
        } else if (argument == "--dpi" && hasValue) {
            const auto dpi = devemu::parseNumber(argv[++i]);
            if (!dpi || *dpi == 0 || *dpi > 1000)
                return fail(std::string("not a dpi: ") + argv[i]);
            options.dpi = static_cast<int>(*dpi);
        } else if (argument == "--at" && hasValue) {
            options.startTime = emu::parseDateTime(argv[++i]);
            if (!options.startTime)
                return fail(std::string("not a date and time: ") + argv[i] + " (write \"2026-03-02 09:00\")");
        } else if (argument == "--locale" && hasValue) {
            options.locale = devemu::DeviceFolder::parseLocale(argv[++i]);
            if (!options.locale)
                return fail(std::string("not a locale identifier: ") + argv[i] + " (write 0x0407 or 1031)");
        } else if (argument == "-c" && hasValue) {
            script = devemu::splitCommands(argv[++i]);
        } else if (argument == "-") {
            script = readLines(std::cin);
        } else if (!argument.starts_with("-") && !script) {
            std::ifstream file(argument);
            if (!file)
                return fail("cannot read the script " + argument);
            script = readLines(file);
        } else {
            return fail("unknown or incomplete option " + argument);
        }
    }

    std::string error;
    auto emulator = devemu::Emulator::open(options, std::cout, error);
    if (!emulator)
        return fail(error);
    const bool succeeded = !script || emulator->runScript(*script, std::cerr);
    emulator.reset();
    return succeeded ? 0 : 1;
}
