// The error log "\\error.log" in the root folder, shared by every program of the family: one line of
// 8-bit text in the device's ANSI code page per entry, stamped with the local date and time.
#pragma once

#include "platform/api/WinTypes.h"

class ErrorLog {
public:
    // Appends "yyyy.MM.dd HH:mm:ss - message", then with a source file "\t\tsource: function (line)"
    // (the function name is always empty), then "\r\n". A log that cannot be opened drops the entry.
    static void Write(LPCWSTR message, LPCWSTR sourceFile = nullptr, int line = 0);
};
