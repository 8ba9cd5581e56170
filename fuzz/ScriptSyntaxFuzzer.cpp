// Feeds arbitrary text to devemu's script syntax: every reader must answer or refuse, never crash.
#include "emulator/ScriptSyntax.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    for (const std::string& command : devemu::splitCommands(text)) {
        if (const auto arguments = devemu::splitArguments(command, error)) {
            for (const std::string& argument : *arguments) {
                devemu::parseDuration(argument);
                devemu::parseNumber(argument);
                devemu::parseMessage(argument);
            }
        }
    }
    return 0;
}
