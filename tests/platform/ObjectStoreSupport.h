// What the object store tests share: property values to write and seek with, databases made and
// opened in a line, and the current record read back as readable text ("0x0082001F \"Ivan\"").
// Everything here is called from inside emulated threads.
#pragma once

#include "platform/api/WinBase.h"
#include "platform/api/WinDb.h"
#include "platform/api/WinUser.h"
#include "platform/emu/Text.h"
#include "tests/platform/ProgramSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace testing_support {

inline CEPROPVAL textValue(CEPROPID id, const char16_t* text)
{
    CEPROPVAL value {};
    value.propid = id;
    value.val.lpwstr = const_cast<LPWSTR>(text);
    return value;
}

// A number of the identifier's type.
inline CEPROPVAL numberValue(CEPROPID id, std::int64_t number)
{
    CEPROPVAL value {};
    value.propid = id;
    switch (TypeFromPropID(id)) {
    case CEVT_I2:
        value.val.iVal = static_cast<short>(number);
        break;
    case CEVT_UI2:
        value.val.uiVal = static_cast<WORD>(number);
        break;
    case CEVT_UI4:
        value.val.ulVal = static_cast<DWORD>(number);
        break;
    case CEVT_BOOL:
        value.val.boolVal = static_cast<BOOL>(number);
        break;
    case CEVT_R8:
        value.val.dblVal = static_cast<double>(number);
        break;
    case CEVT_FILETIME:
        value.val.filetime = FILETIME { static_cast<DWORD>(number & 0xFFFFFFFF), static_cast<DWORD>(static_cast<std::uint64_t>(number) >> 32) };
        break;
    default:
        value.val.lVal = static_cast<LONG>(number);
        break;
    }
    return value;
}

inline CEPROPVAL bytesValue(CEPROPID id, std::vector<BYTE>& bytes)
{
    CEPROPVAL value {};
    value.propid = id;
    value.val.blob = CEBLOB { static_cast<DWORD>(bytes.size()), bytes.data() };
    return value;
}

inline CEPROPVAL flaggedValue(CEPROPID id, WORD flags)
{
    CEPROPVAL value {};
    value.propid = id;
    value.wFlags = flags;
    return value;
}

inline std::string hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// "0x0082001F \"Ivan\"", "0x00010013 5", "0x00FF0041 01 02", "0x0002001F missing".
inline std::string describe(const CEPROPVAL& value)
{
    std::string text = hex(value.propid);
    if (value.wFlags & CEDB_PROPNOTFOUND)
        return text + " missing";
    switch (TypeFromPropID(value.propid)) {
    case CEVT_I2:
        return text + " " + std::to_string(value.val.iVal);
    case CEVT_UI2:
        return text + " " + std::to_string(value.val.uiVal);
    case CEVT_UI4:
        return text + " " + std::to_string(value.val.ulVal);
    case CEVT_BOOL:
        return text + " " + std::to_string(value.val.boolVal);
    case CEVT_R8:
        return text + " " + std::to_string(value.val.dblVal);
    case CEVT_FILETIME:
        return text + " " + std::to_string((static_cast<std::uint64_t>(value.val.filetime.dwHighDateTime) << 32) | value.val.filetime.dwLowDateTime);
    case CEVT_LPWSTR:
        return text + " " + emu::quotedText(value.val.lpwstr);
    case CEVT_BLOB:
    case CEVT_STREAM:
        for (DWORD i = 0; i < value.val.blob.dwCount; ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, " %02X", value.val.blob.lpb[i]);
            text += byte;
        }
        return text;
    default:
        return text + " " + std::to_string(value.val.lVal);
    }
}

// The current record's properties (the listed ones, or all), read into a buffer the engine
// allocates; {"error N"} when the read fails.
inline std::vector<std::string> readCurrent(HANDLE database, std::vector<CEPROPID> ids = {}, CEOID* record = nullptr)
{
    WORD count = static_cast<WORD>(ids.size());
    BYTE* buffer = nullptr;
    DWORD size = 0;
    const CEOID read = CeReadRecordPropsEx(database, CEDB_ALLOWREALLOC, &count, ids.empty() ? nullptr : ids.data(), &buffer, &size, nullptr);
    if (record)
        *record = read;
    if (!read)
        return { "error " + std::to_string(GetLastError()) };
    std::vector<std::string> described;
    const auto* values = reinterpret_cast<const CEPROPVAL*>(buffer);
    for (WORD i = 0; i < count; ++i)
        described.push_back(describe(values[i]));
    EXPECT_EQ(LocalFree(buffer), nullptr);
    return described;
}

inline SORTORDERSPECEX sortOrder(std::vector<CEPROPID> ids, std::vector<DWORD> flags = {}, WORD keyFlags = 0)
{
    SORTORDERSPECEX sort {};
    sort.wVersion = SORTORDERSPECEX_VERSION;
    sort.wNumProps = static_cast<WORD>(ids.size());
    sort.wKeyFlags = keyFlags;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        sort.rgPropID[i] = ids[i];
        sort.rgdwFlags[i] = i < flags.size() ? flags[i] : 0;
    }
    return sort;
}

inline CEDBASEINFOEX databaseInfo(const char16_t* name, std::vector<SORTORDERSPECEX> sortOrders = {})
{
    CEDBASEINFOEX info {};
    info.wVersion = CEDBASEINFOEX_VERSION;
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
    // A name of 32 characters fills the array without its NUL.
    std::u16string_view(name).copy(info.szDbaseName, CEDB_MAXDBASENAMELEN);
    info.wNumSortOrder = static_cast<WORD>(sortOrders.size());
    for (std::size_t i = 0; i < sortOrders.size() && i < CEDB_MAXSORTORDER; ++i)
        info.rgSortSpecs[i] = sortOrders[i];
    return info;
}

inline CEGUID mountPimVolume()
{
    CEGUID volume {};
    EXPECT_TRUE(CeMountDBVol(&volume, u"\\pim.vol", OPEN_EXISTING)) << GetLastError();
    return volume;
}

inline HANDLE openDatabase(CEGUID& volume, const char16_t* name, SORTORDERSPECEX* sort = nullptr, CENOTIFYREQUEST* request = nullptr,
                           DWORD flags = 0)
{
    CEOID database = 0;
    const HANDLE handle = CeOpenDatabaseEx2(&volume, &database, name, sort, flags, request);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << emu::toUtf8(name) << ": " << GetLastError();
    return handle;
}

inline CEOID writeRecord(HANDLE database, CEOID record, std::vector<CEPROPVAL> values)
{
    const CEOID written = CeWriteRecordProps(database, record, static_cast<WORD>(values.size()), values.data());
    EXPECT_NE(written, 0u) << GetLastError();
    return written;
}

// "created 0x00010006 of 0x00010001": a notification's kind, record and database.
inline std::string describe(const CENOTIFICATION& notification)
{
    const std::string kind = notification.uType == DB_CEOID_CREATED ? "created"
        : notification.uType == DB_CEOID_CHANGED                    ? "changed"
        : notification.uType == DB_CEOID_RECORD_DELETED             ? "deleted"
                                                                    : "type " + std::to_string(notification.uType);
    return kind + " " + hex(notification.oid) + " of " + hex(notification.oidParent);
}

// A program that opens a database of "\pim.vol" with a notification request for its window and
// records the notifications it receives, each checked and given back, until the window is closed.
class NotificationListener {
public:
    int run(const char16_t* databaseName, DWORD param, bool giveBack = true)
    {
        registerScriptedClass(u"Listener");
        CEGUID volume = mountPimVolume();
        CENOTIFYREQUEST request {};
        MessageHandler handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == WM_DBNOTIFICATION) {
                auto* notification = reinterpret_cast<CENOTIFICATION*>(lParam);
                EXPECT_EQ(notification->dwSize, sizeof(CENOTIFICATION));
                EXPECT_EQ(notification->dwParam, param);
                EXPECT_TRUE(notification->guid == volume);
                received.push_back(describe(*notification));
                if (giveBack) {
                    EXPECT_TRUE(CeFreeNotification(&request, notification));
                }
                return 0;
            }
            if (message == WM_CLOSE) {
                DestroyWindow(hwnd);
                return 0;
            }
            if (message == WM_DESTROY)
                PostQuitMessage(0);
            return std::nullopt;
        };
        window = createScriptedWindow(handler, { .className = u"Listener" });
        request = CENOTIFYREQUEST { 20, window, CEDB_EXNOTIFICATION, nullptr, param };
        const HANDLE database = CeOpenDatabaseEx2(&volume, &databaseId, databaseName, nullptr, 0, &request);
        EXPECT_NE(database, INVALID_HANDLE_VALUE);
        const int code = runMessageLoop();
        CloseHandle(database);
        CeUnmountDBVol(&volume);
        return code;
    }

    std::vector<std::string> received;
    HWND window { nullptr };
    CEOID databaseId { 0 };
};

}
