#include "platform/emu/DeviceFile.h"

#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"

namespace emu {

std::optional<std::vector<std::uint8_t>> readDeviceFile(LPCWSTR path, DWORD maxBytes)
{
    const HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const DWORD size = GetFileSize(file, nullptr);
    if (size > maxBytes) {
        CloseHandle(file);
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(size);
    DWORD read = 0;
    const BOOL readable = ReadFile(file, bytes.data(), size, &read, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!readable) {
        SetLastError(error);
        return std::nullopt;
    }
    bytes.resize(read);
    return bytes;
}

}
