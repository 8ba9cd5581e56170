// SettingsStore: each call opens its key, does its one thing and closes the key again.
#include "common/SettingsStore.h"

#include <vector>

namespace {

constexpr const char16_t* settingsRoot = u"Software\\Korvane\\PIM\\";
constexpr const char16_t* settingsSubkey = u"Settings";
// Room for the longest subkey name DeleteTree takes, and its NUL.
constexpr DWORD longestSubkeyName = 256;

bool isMissing(LPCWSTR text)
{
    return !text || !*text;
}

// The text after the last backslash, or all of it.
Str baseName(LPCWSTR path)
{
    const Str whole = path;
    return whole.Mid(whole.ReverseFind(u'\\') + 1);
}

int textLength(LPCWSTR text)
{
    int length = 0;
    while (text[length])
        ++length;
    return length;
}

// Opens the key, writes one value into it, flushes when asked and closes it.
bool writeValue(LPCWSTR subkey, LPCWSTR name, DWORD type, const BYTE* data, DWORD size, bool flush)
{
    if (isMissing(subkey) || isMissing(name))
        return false;
    const HKEY key = SettingsStore::OpenKey(subkey, true);
    if (!key)
        return false;
    const bool written = RegSetValueEx(key, name, 0, type, data, size) == ERROR_SUCCESS;
    if (flush)
        RegFlushKey(key);
    RegCloseKey(key);
    return written;
}

}

HKEY SettingsStore::OpenKey(LPCWSTR subkey, bool create)
{
    const Str path = settingsRoot + Str(subkey);
    HKEY key = nullptr;
    const LONG result = create ? RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0, 0, nullptr, &key, nullptr)
                               : RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, 0, &key);
    return result == ERROR_SUCCESS ? key : nullptr;
}

DWORD SettingsStore::GetDword(LPCWSTR subkey, LPCWSTR name, DWORD defaultValue)
{
    if (isMissing(subkey) || isMissing(name))
        return defaultValue;
    const HKEY key = OpenKey(subkey, false);
    if (!key)
        return defaultValue;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    const LONG result = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD ? value : defaultValue;
}

Str SettingsStore::GetString(LPCWSTR subkey, LPCWSTR name, LPCWSTR defaultValue)
{
    if (isMissing(subkey) || isMissing(name))
        return defaultValue;
    const HKEY key = OpenKey(subkey, false);
    if (!key)
        return defaultValue;
    DWORD type = REG_NONE;
    DWORD size = 0;
    Str text = defaultValue;
    if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        // Zeroed, with room for a closing NUL the stored bytes may lack.
        std::vector<WCHAR> buffer(size / 2 + 2, 0);
        if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS)
            text = buffer.data();
    }
    RegCloseKey(key);
    return text;
}

std::unique_ptr<BYTE[]> SettingsStore::GetBinary(LPCWSTR subkey, LPCWSTR name, DWORD& size)
{
    size = 0;
    if (isMissing(subkey) || isMissing(name))
        return nullptr;
    const HKEY key = OpenKey(subkey, false);
    if (!key)
        return nullptr;
    DWORD type = REG_NONE;
    DWORD stored = 0;
    std::unique_ptr<BYTE[]> data;
    if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &stored) == ERROR_SUCCESS && type == REG_BINARY) {
        data = std::make_unique<BYTE[]>(stored);
        if (RegQueryValueEx(key, name, nullptr, &type, data.get(), &stored) == ERROR_SUCCESS)
            size = stored;
        else
            data.reset();
    }
    RegCloseKey(key);
    return data;
}

bool SettingsStore::SetDword(LPCWSTR subkey, LPCWSTR name, DWORD value, bool flush)
{
    return writeValue(subkey, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value, flush);
}

bool SettingsStore::SetString(LPCWSTR subkey, LPCWSTR name, LPCWSTR text, bool flush)
{
    const LPCWSTR written = text ? text : u"";
    const auto size = static_cast<DWORD>((textLength(written) + 1) * sizeof(WCHAR));
    return writeValue(subkey, name, REG_SZ, reinterpret_cast<const BYTE*>(written), size, flush);
}

bool SettingsStore::FlushKey(LPCWSTR subkey)
{
    if (isMissing(subkey))
        return false;
    const HKEY key = OpenKey(subkey, false);
    if (!key)
        return false;
    const bool flushed = RegFlushKey(key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return flushed;
}

bool SettingsStore::DeleteKey(LPCWSTR subkey)
{
    if (isMissing(subkey))
        return false;
    if (Str(subkey).Find(u'\\') < 0)
        return DeleteTree(settingsRoot, subkey);
    const Str full = settingsRoot + Str(subkey);
    const int last = full.ReverseFind(u'\\');
    return DeleteTree(full.Left(last), full.Mid(last + 1));
}

bool SettingsStore::DeleteTree(LPCWSTR parentPath, LPCWSTR name)
{
    if (!parentPath || isMissing(name))
        return false;
    const Str parent = parentPath;
    const Str path = parent.GetLength() > 0 && parent.GetAt(parent.GetLength() - 1) == u'\\' ? parent + name : parent + u"\\" + name;

    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, 0, &key) == ERROR_SUCCESS) {
        for (;;) {
            WCHAR subkeyName[longestSubkeyName + 1] = {};
            DWORD length = longestSubkeyName + 1;
            if (RegEnumKeyEx(key, 0, subkeyName, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (!DeleteTree(path, subkeyName))
                break;
        }
        RegCloseKey(key);
    }

    HKEY parentKey = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, parentPath, 0, 0, &parentKey) != ERROR_SUCCESS)
        return false;
    const bool deleted = RegDeleteKey(parentKey, name) == ERROR_SUCCESS;
    RegFlushKey(parentKey);
    RegCloseKey(parentKey);
    return deleted;
}

void SettingsStore::ClearFileFlag(LPCWSTR path)
{
    SetDword(settingsSubkey, baseName(path), 0, true);
}

void SettingsStore::SetFileFlag(LPCWSTR path)
{
    SetDword(settingsSubkey, baseName(path), 1, true);
}

bool SettingsStore::IsFileFlagSet(LPCWSTR path)
{
    return GetDword(settingsSubkey, baseName(path), 0) != 0;
}
