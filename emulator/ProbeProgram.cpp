#include "emulator/ProbeProgram.h"

#include "platform/emu/Process.h"
#include "platform/emu/Text.h"

#include <memory>

namespace devemu {

std::vector<std::string> ProbeProgram::run(emu::Device& device, const char16_t* path, const char* name, Main main,
                                           const platform::ModuleResources* resources, const std::vector<std::u16string>& request,
                                           std::string& error)
{
    // The entry of the installed program keeps what it shares with this call, as it may outlive it.
    const auto exchange = std::make_shared<ProbeExchange>(ProbeExchange { request, {}, {} });
    device.installProgram(path, [exchange, main](HINSTANCE, const std::u16string&) { return main(*exchange); }, resources);
    const auto process = device.startProgram(path, request.front());
    if (device.runUntil([&] { return process->finished(); }, std::nullopt) != emu::RunOutcome::Done) {
        error = std::string("the ") + name + " probe did not end: " + device.deadlockReport();
        return {};
    }
    if (!exchange->error.empty()) {
        error = exchange->error;
        return {};
    }
    if (process->exitCode() != 0) {
        error = std::string("the ") + name + " probe refused the request " + emu::toUtf8(request.front());
        return {};
    }
    return exchange->answer;
}

}
