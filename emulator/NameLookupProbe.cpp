#include "emulator/NameLookupProbe.h"

#include "emulator/ProbeProgram.h"
#include "platform/emu/Text.h"
#include "vyx/call/NameLookupMapping.h"

namespace devemu {

namespace {

int probeMain(ProbeExchange& exchange)
{
    if (exchange.request.size() != 4)
        return 1;
    const std::u16string& number = exchange.request[1];
    const std::u16string& windowClass = exchange.request[2];
    const HWND window = FindWindow(windowClass.c_str(), nullptr);
    if (!window) {
        exchange.error = emu::toUtf8(exchange.request[3]) + " is not running: no window of class " + emu::toUtf8(windowClass);
        return 2;
    }
    const auto name = vyx::NameLookupMapping::Ask(window, number);
    if (!name) {
        exchange.error = "cannot map the name look-up block";
        return 2;
    }
    exchange.answer.push_back("name " + emu::quotedText(*name));
    return 0;
}

}

std::vector<std::string> NameLookupProbe::run(emu::Device& device, const std::u16string& number, const std::u16string& windowClass,
                                              const std::u16string& program, std::string& error)
{
    return ProbeProgram::run(device, path, "namelookup", probeMain, nullptr, { u"namelookup", number, windowClass, program }, error);
}

}
