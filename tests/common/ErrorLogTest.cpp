// ErrorLog: the line format byte for byte, 8-bit text in code page 1251, the virtual date and time,
// appending, sharing with other opens, and entries dropped when the log cannot be opened.
#include "common/ErrorLog.h"

#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"
#include "tests/common/CommonFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <ostream>
#include <string>

using testing_support::caseName;

namespace {

class ErrorLogTest : public testing_support::CommonFixture {
protected:
    void writeHostLog(const std::string& bytes)
    {
        std::ofstream(folder() / "error.log", std::ios::binary) << bytes;
    }
};

struct EntryCase {
    const char* name;
    friend void PrintTo(const EntryCase& tested, std::ostream* out) { *out << tested.name; }
    LPCWSTR message;
    LPCWSTR sourceFile;
    int line;
    const char* expected;
};

class ErrorLogEntryTest
    : public ErrorLogTest
    , public ::testing::WithParamInterface<EntryCase> { };

TEST_P(ErrorLogEntryTest, EntryIsOneLineInTheAnsiCodePage)
{
    const EntryCase& param = GetParam();
    runProgram([&] {
        ErrorLog::Write(param.message, param.sourceFile, param.line);
        return 0;
    });
    EXPECT_EQ(errorLog(), param.expected);
}

INSTANTIATE_TEST_SUITE_P(Entries, ErrorLogEntryTest,
    ::testing::Values(
        EntryCase { "WithoutSourceEndsAfterTheMessage", u"Unable perform db operation!!!", nullptr, 0,
            "2026.03.02 09:00:00 - Unable perform db operation!!!\r\n" },
        EntryCase { "WithSource", u"Unable open memory as mapped file!!!", u"IndexStore", 412,
            "2026.03.02 09:00:00 - Unable open memory as mapped file!!!\t\tIndexStore:  (412)\r\n" },
        EntryCase { "RussianIn1251", u"Ошибка: нет памяти Ёё", u"Str", 7,
            "2026.03.02 09:00:00 - \xCE\xF8\xE8\xE1\xEA\xE0: \xED\xE5\xF2 \xEF\xE0\xEC\xFF\xF2\xE8 \xA8\xB8\t\tStr:  (7)\r\n" },
        EntryCase { "CharacterOutsideTheCodePage", u"日本", nullptr, 0, "2026.03.02 09:00:00 - ??\r\n" },
        EntryCase { "EmptyMessage", u"", u"Str", 0, "2026.03.02 09:00:00 - \t\tStr:  (0)\r\n" }),
    caseName<EntryCase>);

TEST_F(ErrorLogTest, StampIsTheVirtualLocalTime)
{
    runProgram([] {
        Sleep(5000);
        ErrorLog::Write(u"late");
        return 0;
    });
    EXPECT_EQ(errorLog(), "2026.03.02 09:00:05 - late\r\n");
}

TEST_F(ErrorLogTest, StampIsZeroPaddedAcrossTheTurnOfTheYear)
{
    emu::DeviceProfile profile;
    profile.bootTime = *emu::parseDateTime("2025-12-31 23:59:58");
    resetDevice(profile);
    runProgram([] {
        Sleep(3000);
        ErrorLog::Write(u"new year");
        return 0;
    });
    EXPECT_EQ(errorLog(), "2026.01.01 00:00:01 - new year\r\n");
}

TEST_F(ErrorLogTest, EntriesAreAppendedToWhatIsThere)
{
    writeHostLog("2026.03.01 10:00:00 - older\r\n");
    runProgram([] {
        ErrorLog::Write(u"first");
        ErrorLog::Write(u"second", u"MainWnd", 1);
        return 0;
    });
    EXPECT_EQ(errorLog(),
        "2026.03.01 10:00:00 - older\r\n"
        "2026.03.02 09:00:00 - first\r\n"
        "2026.03.02 09:00:00 - second\t\tMainWnd:  (1)\r\n");
}

TEST_F(ErrorLogTest, LogHeldOpenWithSharingStillTakesEntries)
{
    runProgram([] {
        const HANDLE reader = CreateFile(u"\\error.log", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        ErrorLog::Write(u"shared");
        CloseHandle(reader);
        return 0;
    });
    EXPECT_EQ(errorLog(), "2026.03.02 09:00:00 - shared\r\n");
}

TEST_F(ErrorLogTest, LogThatCannotBeOpenedDropsTheEntrySilently)
{
    writeHostLog("kept\r\n");
    runProgram([] {
        const HANDLE exclusive = CreateFile(u"\\error.log", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
        ErrorLog::Write(u"dropped");
        CloseHandle(exclusive);
        ErrorLog::Write(u"after");
        return 0;
    });
    EXPECT_EQ(errorLog(), "kept\r\n2026.03.02 09:00:00 - after\r\n");
    EXPECT_EQ(transcript().find("messagebox"), std::string::npos);
}

TEST_F(ErrorLogTest, ReadOnlyLogDropsTheEntry)
{
    writeHostLog("kept\r\n");
    runProgram([] {
        SetFileAttributes(u"\\error.log", FILE_ATTRIBUTE_READONLY);
        ErrorLog::Write(u"dropped");
        return 0;
    });
    EXPECT_EQ(errorLog(), "kept\r\n");
}

}
