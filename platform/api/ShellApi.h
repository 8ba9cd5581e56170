// Shell services: the device's special folders, shortcut files, and loading picture files.
#pragma once

#include "platform/api/FileApi.h"

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

// ---- Picture files
// A device bitmap of the picture in a BMP, JPEG, PNG or GIF file, of the picture's own size; null when
// the file is missing (with the file's error) or cannot be decoded (ERROR_INVALID_DATA).
HBITMAP SHLoadImageFile(LPCWSTR path);
