// A program module's resources: its string table, read with LoadString, and its data resources ("INI",
// "ABC", dialog templates), found with FindResource and read in place. The data stays the module's:
// it is read-only and lives as long as the program is installed.
#pragma once

#include "platform/api/WinBase.h"

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = HANDLE;

// Error codes only the resource functions report.
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// The module is a process's instance, or null for the calling process's program.

// Copies at most bufferMax - 1 characters of string `id` and a NUL; returns the number of characters
// copied. A missing string gives 0 and an empty text; a buffer of no characters is refused with
// ERROR_INVALID_PARAMETER.
int LoadString(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

// Name and type are each a text or a number made with MAKEINTRESOURCE; a text "#439" stands for the
// number 439. Texts compare without regard to case.
HRSRC FindResource(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// The resource's bytes: the handle LoadResource gave is their address already.
LPVOID LockResource(HGLOBAL data);
// Resources need no freeing; returns FALSE, as the platform does.
BOOL FreeResource(HGLOBAL data);
