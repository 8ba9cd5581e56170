// The shell functions of the device interface, carried out on the calling emulated thread through the
// device's own file functions, as the phone's shell does; picture files are decoded by the device's
// imaging component.
#include "platform/api/ShellApi.h"

#include "platform/emu/Bitmap.h"
#include "platform/emu/CodePage.h"
#include "platform/emu/Device.h"
#include "platform/emu/DeviceFile.h"
#include "platform/emu/Gdi.h"
#include "platform/emu/Imaging.h"
#include "platform/emu/ShortcutFormat.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

using namespace emu;

namespace {

struct SpecialFolder {
    int csidl;
    std::u16string_view path;
};

constexpr std::array<SpecialFolder, 5> specialFolders { {
    { CSIDL_PROGRAMS, u"\\Windows\\Start Menu\\Programs" },
    { CSIDL_PERSONAL, u"\\My Documents" },
    { CSIDL_STARTUP, u"\\Windows\\StartUp" },
    { CSIDL_WINDOWS, u"\\Windows" },
    { CSIDL_PROGRAM_FILES, u"\\Program Files" },
} };

BOOL failWith(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

bool isFolder(const std::u16string& path)
{
    const DWORD attributes = GetFileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes the folder and the folders it lies in, where they are missing.
bool createFolders(std::u16string_view path)
{
    for (auto separator = path.find(u'\\', 1);; separator = path.find(u'\\', separator + 1)) {
        const std::u16string folder(path.substr(0, separator));
        if (!isFolder(folder) && !CreateDirectory(folder.c_str(), nullptr))
            return false;
        if (separator == std::u16string_view::npos)
            return true;
    }
}

std::unique_ptr<CodePage> openAnsiCodePage()
{
    return CodePage::open(currentDevice().profile().ansiCodePage);
}


}

BOOL SHGetSpecialFolderPath(HWND, LPWSTR path, int csidl, BOOL create)
{
    if (!path)
        return failWith(ERROR_INVALID_PARAMETER);
    path[0] = 0;
    const auto folder = std::find_if(specialFolders.begin(), specialFolders.end(),
                                     [csidl](const SpecialFolder& special) { return special.csidl == csidl; });
    if (folder == specialFolders.end())
        return failWith(ERROR_INVALID_PARAMETER);
    if (create && !createFolders(folder->path))
        return FALSE;
    std::copy(folder->path.begin(), folder->path.end(), path);
    path[folder->path.size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SHCreateShortcut(LPWSTR shortcut, LPWSTR target)
{
    if (!shortcut || !target || !*target)
        return failWith(ERROR_INVALID_PARAMETER);
    const auto codePage = openAnsiCodePage();
    if (!codePage)
        return failWith(ERROR_INVALID_PARAMETER);
    const std::string bytes = ShortcutFormat(*codePage).compose(target);
    const HANDLE file = CreateFile(shortcut, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!wrote) {
        // A shortcut cut short would start nothing; it is not left behind.
        DeleteFile(shortcut);
        return failWith(error);
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int maxChars)
{
    if (!shortcut || !target || maxChars <= 0)
        return failWith(ERROR_INVALID_PARAMETER);
    target[0] = 0;
    const auto read = readDeviceFile(shortcut);
    if (!read)
        return FALSE;
    const std::string bytes(read->begin(), read->end());
    const auto codePage = openAnsiCodePage();
    if (!codePage)
        return failWith(ERROR_INVALID_PARAMETER);
    std::string reason;
    const auto text = ShortcutFormat(*codePage).parse(bytes, reason);
    if (!text)
        return failWith(ERROR_INVALID_DATA);
    if (text->size() >= static_cast<std::size_t>(maxChars))
        return failWith(ERROR_INSUFFICIENT_BUFFER);
    std::copy(text->begin(), text->end(), target);
    target[text->size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

HBITMAP SHLoadImageFile(LPCWSTR path)
{
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<Bitmap> picture = Imaging::decodeFile(path);
    return picture ? currentDevice().gdi().createBitmap(std::move(*picture)) : nullptr;
}
