// Shell services: the device's special folders, and shortcut files.
#pragma once

#include "platform/api/FileApi.h"

// Error codes only the shell reports.
constexpr DWORD ERROR_INVALID_DATA = 13;

// ---- Special folders
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;

// Writes the folder's path, without a closing backslash, to `path`, which holds MAX_PATH characters.
// With `create`, a missing folder is made, with the folders it lies in. An unknown folder fails the
// call with ERROR_INVALID_PARAMETER and leaves an empty path.
BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int csidl, BOOL create);

// ---- Shortcuts: a file of one line of 8-bit text in the device's ANSI code page, the target's length in
// characters, "#", and the target: a program's path, quoted when it holds spaces, and its arguments, as in
// 23#"\Windows\cprog.exe" -n
// An existing shortcut is not replaced: the call fails with ERROR_FILE_EXISTS.
BOOL SHCreateShortcut(LPWSTR shortcut, LPWSTR target);
// The target as the shortcut holds it, quotes and arguments included. A file that is not a shortcut fails
// the call with ERROR_INVALID_DATA; a target that does not fit in maxChars with its NUL, with
// ERROR_INSUFFICIENT_BUFFER.
BOOL SHGetShortcutTarget(LPCWSTR shortcut, LPWSTR target, int maxChars);
