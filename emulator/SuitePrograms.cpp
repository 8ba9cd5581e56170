#include "emulator/SuitePrograms.h"

#include "emulator/DesktopShell.h"
#include "emulator/KabProgram.h"
#include "platform/emu/CodePage.h"
#include "platform/emu/FileSystem.h"
#include "platform/emu/Registry.h"
#include "platform/emu/RegistryData.h"
#include "platform/emu/ShortcutFormat.h"
#include "platform/emu/Text.h"
#include "vyx/call/VyxMain.h"
#include "vyx/resources/VyxStrings.h"

#include <fstream>
#include <system_error>

namespace devemu {

namespace {

std::string writeDeviceFile(emu::Device& device, const std::u16string& path, const std::string& bytes)
{
    const auto host = device.files().hostPath(path);
    if (!host)
        return "not a device path: " + emu::toUtf8(path);
    std::error_code error;
    std::filesystem::create_directories(host->parent_path(), error);
    std::ofstream out(*host, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return out ? std::string() : "cannot write " + host->string();
}

// Where Vyx's menu finds the family's address-book program.
std::string setAddressBookPath(emu::Registry& registry)
{
    std::u16string_view below;
    const auto root = registry.rootOf(u"HKCU\\Software\\Korvane\\PIM\\Settings", below);
    bool created = false;
    const auto settings = registry.create(root, below, created);
    registry.setValue(*settings, u"ProgramPath", REG_SZ, emu::stringData(KabProgram::path));
    return registry.flush();
}

}

void SuitePrograms::install(emu::Device& device)
{
    DesktopShell::install(device);
    device.installProgram(vyxPath, [](HINSTANCE instance, const std::u16string& commandLine) { return vyx::VyxMain(instance, commandLine); },
        &vyx::vyxResources());
    // The address-book stand-in reads the keypad alphabet from Vyx's resources, as the family shares it.
    device.installProgram(KabProgram::path, KabProgram::run, &vyx::vyxResources());
}

std::string SuitePrograms::setUpNewDevice(emu::Device& device)
{
    // The programs' files mark where they are installed; what runs is installed above.
    for (const char16_t* program : { vyxPath, KabProgram::path }) {
        if (std::string error = writeDeviceFile(device, program, {}); !error.empty())
            return error;
    }
    if (std::string error = setAddressBookPath(device.registry()); !error.empty())
        return "registry not saved: " + error;
    const auto codePage = emu::CodePage::open(device.profile().ansiCodePage);
    const emu::ShortcutFormat format(*codePage);
    return writeDeviceFile(device, vyxShortcut, format.compose(u"\"" + std::u16string(vyxPath) + u"\""));
}

}
