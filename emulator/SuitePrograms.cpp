#include "emulator/SuitePrograms.h"

#include "emulator/DesktopShell.h"
#include "platform/emu/CodePage.h"
#include "platform/emu/FileSystem.h"
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

}

void SuitePrograms::install(emu::Device& device)
{
    DesktopShell::install(device);
    device.installProgram(vyxPath, [](HINSTANCE instance, const std::u16string& commandLine) { return vyx::VyxMain(instance, commandLine); },
        &vyx::vyxResources());
}

std::string SuitePrograms::setUpNewDevice(emu::Device& device)
{
    // The program's file marks where it is installed; what runs is the program installed above.
    if (std::string error = writeDeviceFile(device, vyxPath, {}); !error.empty())
        return error;
    const auto codePage = emu::CodePage::open(device.profile().ansiCodePage);
    const emu::ShortcutFormat format(*codePage);
    return writeDeviceFile(device, vyxShortcut, format.compose(u"\"" + std::u16string(vyxPath) + u"\""));
}

}
