// Loads arbitrary bytes as the device's registry file: loaded, or refused with the line at fault,
// never a crash. What loads must write back and load again.
#include "platform/emu/RegistryFile.h"
#include "platform/emu/RegistryKey.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::shared_ptr<emu::RegistryKey>> emptyRoots()
{
    return { std::make_shared<emu::RegistryKey>(u"HKEY_CURRENT_USER", nullptr),
        std::make_shared<emu::RegistryKey>(u"HKEY_LOCAL_MACHINE", nullptr) };
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/registry-fuzz-" + std::to_string(getpid());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const emu::RegistryFile file(path);
    const auto roots = emptyRoots();
    if (!file.load(roots).empty())
        return 0;
    const std::string written = emu::RegistryFile::format(roots);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << written;
    }
    const auto again = emptyRoots();
    if (!file.load(again).empty() || emu::RegistryFile::format(again) != written)
        std::abort();
    return 0;
}
