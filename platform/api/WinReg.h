// The device registry: keys under two roots, each holding subkeys and named values. Key and value
// names compare without regard to case and keep the case they were created with; a path names keys
// one below the other, separated by backslashes. The functions return an error code of their own
// and leave the last-error value alone.
#pragma once

#include "platform/api/WinTypes.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002));

// Error codes only the registry reports.
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_KEY_DELETED = 1018;

// Value types. A value keeps the bytes it was given whatever its type says.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights: accepted and not checked, as on the device, where every open key is read and written.
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// What RegCreateKeyEx did.
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

struct SECURITY_ATTRIBUTES;

// ---- Keys. An empty or null subkey names the key itself; empty steps of a path ("A\\\\B", a leading or
// closing backslash) are passed over.
LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, HKEY* result);
// Creates the missing keys of the path; `disposition`, when given, says whether the last one was made.
LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM desired,
                    SECURITY_ATTRIBUTES* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
// Deletes the key with its values; a key that still has subkeys is not deleted (ERROR_ACCESS_DENIED).
LONG RegDeleteKey(HKEY key, LPCWSTR subKey);
// Writes the registry to the device's storage.
LONG RegFlushKey(HKEY key);

// ---- Values. A null or empty name is the key's default value.
// With null `data`, only the type and the size. A buffer too small gets nothing: ERROR_MORE_DATA, and
// the size needed goes to `dataSize`.
LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValue(HKEY key, LPCWSTR valueName);

// ---- Enumeration, by index from 0 until ERROR_NO_MORE_ITEMS. Subkeys come in the order of their
// names (without regard to case), values in the order they were created. Name lengths are in
// characters: the buffer's size with its NUL going in, the name's length without it coming out. The
// key class and the last-write time are not kept; a class comes back empty, a time as zero.
LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved, LPWSTR keyClass,
                  DWORD* classLength, FILETIME* lastWriteTime);
LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, DWORD* valueNameLength, DWORD* reserved, DWORD* type,
                  BYTE* data, DWORD* dataSize);
