// String resources that never fail silently: a load that finds nothing is written to the error log
// and shown in the "Kab Tracer" box (the report named SafeLoadStr), and the caller goes on with an
// empty text.
#pragma once

#include "common/Str.h"
#include "platform/api/WinTypes.h"

// Loads string resource `id` of `instance` (0: the program's module) into `target`, whatever its
// length. A failure is reported in the name of `sourceFile` and `line`, leaves `target` empty and
// gives false.
bool LoadResourceString(Str& target, UINT id, HINSTANCE instance, LPCWSTR sourceFile, int line);

// The text of string resource `id` of the program's module; `sourceFile` and `line` name the caller
// in the report of a failure.
Str LoadResourceText(UINT id, LPCWSTR sourceFile, int line);

// Shows string resource `textId` in a message box captioned "Kab" and returns the answer.
int ResourceMessageBox(HWND owner, UINT textId, UINT flags);
