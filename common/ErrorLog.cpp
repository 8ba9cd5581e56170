// ErrorLog: formats an entry and appends it to "\\error.log". The line is built without Str, since a
// Str that cannot get memory reports it here.
#include "common/ErrorLog.h"

#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinNls.h"

#include <string>

namespace {

// `value` in decimal, with leading zeros up to `digits` characters.
void appendDecimal(std::u16string& out, int value, std::size_t digits = 1)
{
    std::u16string text;
    const bool negative = value < 0;
    const unsigned magnitude = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    for (unsigned rest = magnitude; rest != 0 || text.empty(); rest /= 10)
        text.insert(text.begin(), static_cast<char16_t>(u'0' + rest % 10));
    if (text.size() < digits)
        text.insert(0, digits - text.size(), u'0');
    if (negative)
        out += u'-';
    out += text;
}

}

void ErrorLog::Write(LPCWSTR message, LPCWSTR sourceFile, int line)
{
    SYSTEMTIME now {};
    GetLocalTime(&now);
    std::u16string entry;
    appendDecimal(entry, now.wYear, 4);
    entry += u'.';
    appendDecimal(entry, now.wMonth, 2);
    entry += u'.';
    appendDecimal(entry, now.wDay, 2);
    entry += u' ';
    appendDecimal(entry, now.wHour, 2);
    entry += u':';
    appendDecimal(entry, now.wMinute, 2);
    entry += u':';
    appendDecimal(entry, now.wSecond, 2);
    entry += u" - ";
    if (message)
        entry += message;
    if (sourceFile) {
        // Source, ": ", the function name (never given), " (", line, ")".
        entry.append(u"\t\t").append(sourceFile).append(u":  (");
        appendDecimal(entry, line);
        entry += u')';
    }
    entry += u"\r\n";

    const int length = static_cast<int>(entry.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, entry.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, entry.data(), length, bytes.data(), size, nullptr, nullptr);

    const HANDLE file = CreateFile(u"\\error.log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}
