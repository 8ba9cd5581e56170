// SettingsStore: the settings of the family in the device registry, under HKEY_CURRENT_USER
// "Software\\Korvane\\PIM\\" followed by a subkey. There is no cache: every read goes to the registry,
// so a value another program wrote is seen at the next read. Failures are silent: a read gives its
// default, a write false; a value of another type reads as missing.
#pragma once

#include "common/Str.h"
#include "platform/api/WinReg.h"

#include <memory>

class SettingsStore {
public:
    // The key of `subkey`; with `create`, made when missing. Null when it cannot be had; the caller
    // closes it.
    static HKEY OpenKey(LPCWSTR subkey, bool create);

    static DWORD GetDword(LPCWSTR subkey, LPCWSTR name, DWORD defaultValue);
    static Str GetString(LPCWSTR subkey, LPCWSTR name, LPCWSTR defaultValue);
    // The bytes of a binary value in a buffer of their own, their count in `size`; null when there is
    // no such binary value.
    static std::unique_ptr<BYTE[]> GetBinary(LPCWSTR subkey, LPCWSTR name, DWORD& size);

    // Writes one value, and with `flush` writes the registry to the device's storage.
    static bool SetDword(LPCWSTR subkey, LPCWSTR name, DWORD value, bool flush);
    static bool SetString(LPCWSTR subkey, LPCWSTR name, LPCWSTR text, bool flush);
    static bool FlushKey(LPCWSTR subkey);

    // Deletes the key of `subkey` with its subkeys and values. A subkey "A\\B" is deleted as B under A.
    static bool DeleteKey(LPCWSTR subkey);
    // Deletes `name` under `parentPath` (any path under HKEY_CURRENT_USER) with its subkeys and values:
    // the subkeys one by one, always the first one left, then the key itself.
    static bool DeleteTree(LPCWSTR parentPath, LPCWSTR name);

    // File flags: a DWORD in "Settings" named by a file path's base name (after its last "\\"). A set
    // flag (1) says the file on disk is not to be trusted.
    static void ClearFileFlag(LPCWSTR path);
    static void SetFileFlag(LPCWSTR path);
    static bool IsFileFlagSet(LPCWSTR path);
};
