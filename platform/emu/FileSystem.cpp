#include "platform/emu/FileSystem.h"

#include "platform/emu/Text.h"

#include <system_error>
#include <vector>

namespace emu {

FileSystem::FileSystem(std::filesystem::path root)
    : m_root(std::move(root))
{
}

bool FileSystem::isReservedName(const std::filesystem::path& entryName)
{
    return equalsIgnoringCase(fromUtf8(entryName.string()), fromUtf8(reservedEntry));
}

std::optional<std::filesystem::path> FileSystem::hostPath(std::u16string_view devicePath) const
{
    if (devicePath.empty() || (devicePath.front() != u'\\' && devicePath.front() != u'/'))
        return std::nullopt;
    std::vector<std::u16string> parts;
    std::u16string part;
    for (const char16_t c : devicePath.substr(1)) {
        if (c == u'\\' || c == u'/') {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else if (c == 0) {
            return std::nullopt;
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));

    std::filesystem::path host = m_root;
    bool parentExists = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::u16string& name = parts[i];
        if (name == u"." || name == u"..")
            return std::nullopt;
        if (i == 0 && isReservedName(toUtf8(name)))
            return std::nullopt;
        std::filesystem::path next = host / toUtf8(name);
        if (parentExists) {
            std::error_code error;
            if (!std::filesystem::exists(next, error)) {
                bool found = false;
                for (const auto& entry : std::filesystem::directory_iterator(host, error)) {
                    if (equalsIgnoringCase(fromUtf8(entry.path().filename().string()), name)) {
                        next = entry.path();
                        found = true;
                        break;
                    }
                }
                parentExists = found;
            }
        }
        host = std::move(next);
    }
    return host;
}

}
