#include "platform/emu/Shortcuts.h"

#include "platform/emu/Device.h"
#include "platform/emu/FileSystem.h"
#include "platform/emu/Text.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace emu {

namespace {

constexpr std::u16string_view shortcutExtension = u".lnk";

bool isShortcutName(std::u16string_view name)
{
    return name.size() > shortcutExtension.size()
        && equalsIgnoringCase(name.substr(name.size() - shortcutExtension.size()), shortcutExtension);
}

bool comesBefore(const std::u16string& a, const std::u16string& b)
{
    const auto foldedA = foldCase(a);
    const auto foldedB = foldCase(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}

}

Shortcuts::Shortcuts(Device& device)
    : m_device(device)
{
}

std::vector<std::u16string> Shortcuts::list(std::u16string_view folder) const
{
    std::vector<std::u16string> names;
    const auto host = m_device.files().hostPath(folder);
    if (!host)
        return names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(*host, error)) {
        std::u16string name = fromUtf8(entry.path().filename().string());
        if (isShortcutName(name) && entry.is_regular_file(error))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), comesBefore);

    std::u16string prefix(folder);
    while (!prefix.empty() && prefix.back() == u'\\')
        prefix.pop_back();
    std::vector<std::u16string> paths;
    for (const std::u16string& name : names)
        paths.push_back(prefix + u'\\' + name);
    return paths;
}

std::optional<ShortcutTarget> Shortcuts::read(std::u16string_view shortcut, std::string& error) const
{
    const std::string where = toUtf8(shortcut) + ": ";
    const auto host = m_device.files().hostPath(shortcut);
    std::error_code status;
    std::ifstream file;
    if (host && std::filesystem::is_regular_file(*host, status))
        file.open(*host, std::ios::binary);
    if (!file.is_open()) {
        error = where + "cannot open the shortcut";
        return std::nullopt;
    }
    const std::string bytes { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    const UINT codePageNumber = m_device.profile().ansiCodePage;
    const auto codePage = CodePage::open(codePageNumber);
    if (!codePage) {
        error = where + "the device's code page " + std::to_string(codePageNumber) + " is unknown";
        return std::nullopt;
    }
    std::string reason;
    const auto target = ShortcutFormat(*codePage).parse(bytes, reason);
    const auto split = target ? ShortcutFormat::split(*target, reason) : std::nullopt;
    if (!split)
        error = where + reason;
    return split;
}

}
