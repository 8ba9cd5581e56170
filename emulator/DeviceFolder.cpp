#include "emulator/DeviceFolder.h"

#include "emulator/ScriptSyntax.h"
#include "platform/emu/FileSystem.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace devemu {

DeviceFolder::DeviceFolder(std::filesystem::path folder)
    : m_folder(std::move(folder))
{
}

std::filesystem::path DeviceFolder::profilePath() const
{
    return m_folder / emu::FileSystem::reservedEntry / "profile";
}

std::string DeviceFolder::prepare(bool wipe)
{
    std::error_code error;
    if (wipe && std::filesystem::exists(m_folder, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder, error))
            std::filesystem::remove_all(entry.path(), error);
        if (error)
            return "cannot empty " + m_folder.string() + ": " + error.message();
    }
    std::filesystem::create_directories(m_folder / emu::FileSystem::reservedEntry, error);
    if (error)
        return "cannot create " + m_folder.string() + ": " + error.message();
    return {};
}

std::optional<LCID> DeviceFolder::parseLocale(const std::string& text)
{
    // A language identifier, with a sort order above it at most.
    const auto value = parseNumber(text);
    if (!value || *value == 0 || *value > 0xFFFFF)
        return std::nullopt;
    return static_cast<LCID>(*value);
}

bool DeviceFolder::hasProfile() const
{
    std::error_code error;
    return std::filesystem::exists(profilePath(), error);
}

emu::DeviceProfile DeviceFolder::loadProfile(std::string& error) const
{
    emu::DeviceProfile profile;
    std::ifstream in(profilePath());
    if (!in)
        return profile;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto equals = line.find('=');
        if (line.empty() || equals == std::string::npos) {
            if (!line.empty())
                error = profilePath().string() + ":" + std::to_string(number) + ": expected NAME=VALUE";
            continue;
        }
        const std::string name = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (name == "start") {
            if (const auto time = emu::parseDateTime(value))
                profile.bootTime = *time;
            else
                error = profilePath().string() + ":" + std::to_string(number) + ": bad start time " + value;
        } else if (name == "screen") {
            int width = 0, height = 0;
            char by = 0;
            std::istringstream parse(value);
            if (parse >> width >> by >> height && by == 'x' && width > 0 && height > 0) {
                profile.screenWidth = width;
                profile.screenHeight = height;
            } else {
                error = profilePath().string() + ":" + std::to_string(number) + ": bad screen size " + value;
            }
        } else if (name == "dpi") {
            profile.dpi = std::atoi(value.c_str()) > 0 ? std::atoi(value.c_str()) : profile.dpi;
        } else if (name == "locale") {
            if (const auto locale = parseLocale(value))
                profile.locale = *locale;
            else
                error = profilePath().string() + ":" + std::to_string(number) + ": bad locale " + value;
        } else if (name == "missing") {
            profile.missingLibraryEntries.insert(value);
        }
    }
    return profile;
}

std::string DeviceFolder::saveProfile(const emu::DeviceProfile& profile) const
{
    // Written beside and renamed over, so that an interrupted save leaves the old record whole.
    const auto temporary = profilePath().string() + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "start=" << emu::formatDateTime(profile.bootTime) << '\n';
        out << "screen=" << profile.screenWidth << 'x' << profile.screenHeight << '\n';
        out << "dpi=" << profile.dpi << '\n';
        char locale[16];
        std::snprintf(locale, sizeof locale, "0x%04X", static_cast<unsigned>(profile.locale));
        out << "locale=" << locale << '\n';
        for (const auto& entry : profile.missingLibraryEntries)
            out << "missing=" << entry << '\n';
        if (!out)
            return "cannot write " + temporary;
    }
    std::error_code error;
    std::filesystem::rename(temporary, profilePath(), error);
    return error ? "cannot write " + profilePath().string() + ": " + error.message() : std::string();
}

}
