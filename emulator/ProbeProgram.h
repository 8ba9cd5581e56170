// ProbeProgram: a small helper program that devemu installs on the device to answer one request the
// way the suite's programs would, inside an emulated process, and the run of one request in it.
#pragma once

#include "platform/api/ModuleResources.h"
#include "platform/emu/Device.h"

#include <string>
#include <vector>

namespace devemu {

struct ProbeExchange {
    std::vector<std::u16string> request;
    // The lines of the answer, or what went wrong.
    std::vector<std::string> answer;
    std::string error;
};

class ProbeProgram {
public:
    using Main = int (*)(ProbeExchange&);

    // Installs the probe at `path` (with `resources` when given), runs it on the request until it ends
    // and returns its answer; `error` tells why there is none. `name` names the probe in the errors.
    static std::vector<std::string> run(emu::Device&, const char16_t* path, const char* name, Main, const platform::ModuleResources* resources,
                                        const std::vector<std::u16string>& request, std::string& error);
};

}
