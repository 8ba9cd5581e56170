// The device's file functions: reading, writing and seeking, creation modes, device paths and their
// errors, sharing between opens, finding files, file times on the virtual clock, folders, moving and
// copying, the read-only attribute, and mapping a file into memory.
#include "platform/api/FileApi.h"
#include "platform/emu/Text.h"
#include "tests/support/DeviceFixture.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr DWORD readWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE openFile(LPCWSTR path, DWORD access, DWORD shareMode, DWORD disposition)
{
    return CreateFile(path, access, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the file opens; it is closed again at once, leaving the last error of the open.
bool opens(LPCWSTR path, DWORD access, DWORD shareMode, DWORD disposition)
{
    const HANDLE file = openFile(path, access, shareMode, disposition);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool writeText(HANDLE file, std::string_view text)
{
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

// Reads from the current position to the end.
std::string readRest(HANDLE file)
{
    std::string text;
    char buffer[16];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

void writeDeviceFile(LPCWSTR path, std::string_view text)
{
    const HANDLE file = openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << emu::toUtf8(path);
    EXPECT_TRUE(writeText(file, text));
    CloseHandle(file);
}

std::string readDeviceFile(LPCWSTR path)
{
    const HANDLE file = openFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return "<cannot open>";
    std::string text = readRest(file);
    CloseHandle(file);
    return text;
}

std::optional<WIN32_FIND_DATA> findOne(LPCWSTR path)
{
    WIN32_FIND_DATA data {};
    const HANDLE search = FindFirstFile(path, &data);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(search);
    return data;
}

// The name and the last-write time FindFirstFile reports for a path; empty when it finds nothing.
std::u16string foundName(LPCWSTR path)
{
    const auto data = findOne(path);
    return data ? std::u16string(data->cFileName) : std::u16string();
}

FILETIME foundWriteTime(LPCWSTR path)
{
    const auto data = findOne(path);
    return data ? data->ftLastWriteTime : FILETIME {};
}

FILETIME systemNowAsFileTime()
{
    SYSTEMTIME now {};
    GetSystemTime(&now);
    FILETIME time {};
    SystemTimeToFileTime(&now, &time);
    return time;
}

std::string describeTime(const FILETIME& time)
{
    SYSTEMTIME parts {};
    FileTimeToSystemTime(&time, &parts);
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", parts.wYear, parts.wMonth, parts.wDay, parts.wHour,
                  parts.wMinute, parts.wSecond, parts.wMilliseconds);
    return text;
}

// The instant a FILETIME names, on the host's system clock, to compare with host modification times.
std::chrono::sys_time<std::chrono::nanoseconds> hostInstantOf(const FILETIME& time)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    // 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
    constexpr std::int64_t ticksFrom1601To1970 = 116'444'736'000'000'000;
    const std::int64_t ticksSince1970 = static_cast<std::int64_t>(ticks) - ticksFrom1601To1970;
    return std::chrono::sys_time<std::chrono::nanoseconds> { std::chrono::nanoseconds { ticksSince1970 * 100 } };
}

class FileApiTest : public testing_support::DeviceFixture {
protected:
    // Runs `body` as the main routine of a program on the device; a failed ASSERT ends it early.
    void onDevice(const std::function<void()>& body)
    {
        runProgram([&] {
            body();
            return 0;
        });
    }

    void writeHostFile(const std::filesystem::path& relative, std::string_view text) const
    {
        std::filesystem::create_directories((folder() / relative).parent_path());
        std::ofstream out(folder() / relative, std::ios::binary);
        out << text;
    }

    std::string hostText(const std::filesystem::path& relative) const
    {
        std::ifstream in(folder() / relative, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    std::chrono::sys_time<std::chrono::nanoseconds> hostModificationTime(const std::filesystem::path& relative) const
    {
        return std::chrono::file_clock::to_sys(std::filesystem::last_write_time(folder() / relative));
    }
};

TEST_F(FileApiTest, WritesReadsSeeksAndCutsAFile)
{
    onDevice([] {
        const HANDLE file = openFile(u"\\Notes.txt", readWrite, 0, CREATE_NEW);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(writeText(file, "hello device"));
        DWORD high = 7;
        EXPECT_EQ(GetFileSize(file, &high), 12u);
        EXPECT_EQ(high, 0u);

        EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
        EXPECT_EQ(readRest(file), "device");
        // At the end a read succeeds and reads nothing.
        char buffer[4];
        DWORD read = 99;
        EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
        EXPECT_EQ(read, 0u);

        EXPECT_EQ(SetFilePointer(file, -7, nullptr, FILE_END), 5u);
        ASSERT_TRUE(writeText(file, "_"));
        EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 6u);
        EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_CURRENT), 0u);
        EXPECT_EQ(readRest(file), "hello_device");

        LONG distanceHigh = 0;
        EXPECT_EQ(SetFilePointer(file, 2, &distanceHigh, FILE_BEGIN), 2u);
        EXPECT_EQ(distanceHigh, 0);
        // A move before the start fails and leaves the position where it was.
        EXPECT_EQ(SetFilePointer(file, -3, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
        EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 2u);

        // The end moves to the position; a write past the end fills the gap with zeros.
        EXPECT_EQ(SetFilePointer(file, 5, nullptr, FILE_BEGIN), 5u);
        ASSERT_TRUE(SetEndOfFile(file));
        EXPECT_EQ(GetFileSize(file, nullptr), 5u);
        EXPECT_EQ(SetFilePointer(file, 7, nullptr, FILE_BEGIN), 7u);
        ASSERT_TRUE(writeText(file, "!"));
        EXPECT_EQ(GetFileSize(file, nullptr), 8u);
        EXPECT_TRUE(FlushFileBuffers(file));
        EXPECT_TRUE(CloseHandle(file));
    });
    EXPECT_EQ(hostText("Notes.txt"), std::string("hello\0\0!", 8));
}

TEST_F(FileApiTest, HandlesRefuseWhatTheirAccessDoesNotAllow)
{
    writeHostFile("data.bin", "abc");
    onDevice([] {
        char buffer[4];
        DWORD count = 0;
        const HANDLE reader = openFile(u"\\data.bin", GENERIC_READ, shareAll, OPEN_EXISTING);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(SetEndOfFile(reader));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

        const HANDLE writer = openFile(u"\\data.bin", GENERIC_WRITE, shareAll, OPEN_EXISTING);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &count, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

        // A handle that names no file.
        const HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        EXPECT_FALSE(ReadFile(event, buffer, sizeof buffer, &count, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetFileSize(event, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

        CloseHandle(event);
        CloseHandle(writer);
        CloseHandle(reader);
    });
    EXPECT_EQ(hostText("data.bin"), "abc");
}

TEST_F(FileApiTest, CreationModesCreateOpenAndTruncateAsAsked)
{
    struct Case {
        const char16_t* path;
        DWORD disposition;
        bool exists;
        bool opens;
        // The last error after the call, where the platform defines it.
        std::optional<DWORD> error;
        // The file's content afterwards; null when no file is left.
        const char* contentAfter;
    };
    const Case cases[] = {
        { u"\\new-missing.txt", CREATE_NEW, false, true, std::nullopt, "" },
        { u"\\new-existing.txt", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old" },
        { u"\\always-missing.txt", CREATE_ALWAYS, false, true, ERROR_SUCCESS, "" },
        { u"\\always-existing.txt", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "" },
        { u"\\open-missing.txt", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr },
        { u"\\open-existing.txt", OPEN_EXISTING, true, true, std::nullopt, "old" },
        { u"\\openalways-missing.txt", OPEN_ALWAYS, false, true, ERROR_SUCCESS, "" },
        { u"\\openalways-existing.txt", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old" },
        { u"\\truncate-missing.txt", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr },
        { u"\\truncate-existing.txt", TRUNCATE_EXISTING, true, true, std::nullopt, "" },
    };
    for (const Case& c : cases) {
        if (c.exists)
            writeHostFile(emu::toUtf8(c.path + 1), "old");
    }
    onDevice([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(emu::toUtf8(c.path));
            SetLastError(0xBAD);
            const HANDLE file = openFile(c.path, readWrite, 0, c.disposition);
            const DWORD error = GetLastError();
            EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
            if (c.error) {
                EXPECT_EQ(error, *c.error);
            }
            if (file != INVALID_HANDLE_VALUE) {
                EXPECT_EQ(GetFileSize(file, nullptr), std::strlen(c.contentAfter));
                CloseHandle(file);
            }
        }
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(emu::toUtf8(c.path));
        const std::filesystem::path host = folder() / emu::toUtf8(c.path + 1);
        EXPECT_EQ(std::filesystem::exists(host), c.contentAfter != nullptr);
        if (c.contentAfter) {
            EXPECT_EQ(hostText(host.filename()), c.contentAfter);
        }
    }
}

TEST_F(FileApiTest, PathsTheDeviceCannotReachFailWithThePlatformsErrors)
{
    writeHostFile("plain.txt", "x");
    writeHostFile("Folder/kept.txt", "x");
    writeHostFile(".devemu/state", "emulator");
    struct Case {
        const char16_t* path;
        DWORD openError;
        // The error of GetFileAttributes; ERROR_SUCCESS where it finds the entry.
        DWORD attributesError;
    };
    const Case cases[] = {
        { u"\\Missing\\a.txt", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND },
        { u"\\plain.txt\\inner.txt", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND },
        { u"\\Folder\\missing.txt", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND },
        { u"\\Folder", ERROR_ACCESS_DENIED, ERROR_SUCCESS },
        { u"relative.txt", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND },
        { u"\\Folder\\..\\..\\outside.txt", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND },
        { u"\\.devemu\\state", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND },
        { u"\\.DevEmu", ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND },
    };
    onDevice([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(emu::toUtf8(c.path));
            const DWORD disposition = c.openError == ERROR_FILE_NOT_FOUND ? OPEN_EXISTING : OPEN_ALWAYS;
            EXPECT_EQ(openFile(c.path, readWrite, 0, disposition), INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), c.openError);
            SetLastError(ERROR_SUCCESS);
            const DWORD attributes = GetFileAttributes(c.path);
            EXPECT_EQ(attributes == INVALID_FILE_ATTRIBUTES, c.attributesError != ERROR_SUCCESS);
            EXPECT_EQ(GetLastError(), c.attributesError);
            if (c.attributesError == ERROR_FILE_NOT_FOUND || c.attributesError == ERROR_PATH_NOT_FOUND) {
                EXPECT_FALSE(DeleteFile(c.path));
                EXPECT_EQ(GetLastError(), c.attributesError);
            }
        }
    });
    EXPECT_EQ(hostText(".devemu/state"), "emulator");
    EXPECT_FALSE(std::filesystem::exists(folder() / "Missing"));
}

TEST_F(FileApiTest, DevicePathsMatchHostFilesWithoutRegardToCase)
{
    writeHostFile("Docs/README.TXT", "from the host");
    onDevice([] {
        EXPECT_EQ(readDeviceFile(u"\\docs\\readme.txt"), "from the host");

        ASSERT_TRUE(CreateDirectory(u"\\dir", nullptr));
        writeDeviceFile(u"\\dir\\file.txt", "first");
        EXPECT_EQ(readDeviceFile(u"\\DIR\\File.TXT"), "first");

        const HANDLE again = openFile(u"\\Dir\\FILE.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
        ASSERT_NE(again, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        EXPECT_TRUE(writeText(again, "second"));
        CloseHandle(again);

        EXPECT_EQ(GetFileAttributes(u"\\dIR\\fILE.TXT"), FILE_ATTRIBUTE_NORMAL);
        // The name is reported as it was created.
        EXPECT_EQ(foundName(u"\\DIR\\*"), u"file.txt");
    });
    EXPECT_EQ(hostText("dir/file.txt"), "second");
    // Every spelling went to the one folder created first.
    std::vector<std::string> spellingsOfDir;
    for (const auto& entry : std::filesystem::directory_iterator(folder())) {
        if (emu::equalsIgnoringCase(emu::fromUtf8(entry.path().filename().string()), u"dir"))
            spellingsOfDir.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(spellingsOfDir, std::vector<std::string> { "dir" });
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder() / "dir"), std::filesystem::directory_iterator()), 1);
}

TEST_F(FileApiTest, OpensHonourTheSharingOfEachOther)
{
    struct Case {
        const char* what;
        DWORD firstAccess;
        DWORD firstShare;
        DWORD secondAccess;
        DWORD secondShare;
        bool secondOpens;
    };
    const Case cases[] = {
        { "two readers sharing reading", GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true },
        { "writer beside a reader sharing only reading", GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, shareAll, false },
        { "writer beside a reader sharing writing", GENERIC_READ, shareAll, GENERIC_WRITE, shareAll, true },
        { "reader refusing to share with a writer", GENERIC_WRITE, shareAll, GENERIC_READ, FILE_SHARE_READ, false },
        { "reader sharing writing beside a writer sharing reading", GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, shareAll, true },
        { "reader beside an exclusive open", readWrite, 0, GENERIC_READ, shareAll, false },
        { "second exclusive reader", GENERIC_READ, 0, GENERIC_READ, 0, false },
        { "query open beside an exclusive open", readWrite, 0, 0, 0, true },
        { "exclusive open beside a query open", 0, 0, readWrite, 0, true },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        writeHostFile("shared" + std::to_string(i) + ".dat", "data");
    onDevice([&] {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const Case& c = cases[i];
            SCOPED_TRACE(c.what);
            const std::u16string path = u"\\shared" + emu::fromUtf8(std::to_string(i)) + u".dat";
            const HANDLE first = openFile(path.c_str(), c.firstAccess, c.firstShare, OPEN_EXISTING);
            ASSERT_NE(first, INVALID_HANDLE_VALUE);
            const HANDLE second = openFile(path.c_str(), c.secondAccess, c.secondShare, OPEN_EXISTING);
            EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens);
            if (second == INVALID_HANDLE_VALUE)
                EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
            else
                CloseHandle(second);
            CloseHandle(first);
            // Once the first is closed nothing stands in the way.
            const HANDLE afterClose = openFile(path.c_str(), c.secondAccess, c.secondShare, OPEN_EXISTING);
            EXPECT_NE(afterClose, INVALID_HANDLE_VALUE);
            CloseHandle(afterClose);
        }
    });
}

TEST_F(FileApiTest, AnOpenFileCannotBeDeletedMovedOrOverwritten)
{
    writeHostFile("busy.txt", "keep");
    writeHostFile("other.txt", "other");
    writeHostFile("journal.txt", "entries");
    struct Case {
        const char* what;
        std::function<bool()> attempt;
    };
    const Case cases[] = {
        { "delete", [] { return DeleteFile(u"\\busy.txt") != FALSE; } },
        { "move", [] { return MoveFile(u"\\busy.txt", u"\\moved.txt") != FALSE; } },
        { "copy over it", [] { return CopyFile(u"\\other.txt", u"\\BUSY.txt", FALSE) != FALSE; } },
        { "create over it", [] { return opens(u"\\busy.txt", GENERIC_WRITE, shareAll, CREATE_ALWAYS); } },
        { "open it for writing", [] { return opens(u"\\busy.txt", GENERIC_WRITE, shareAll, OPEN_EXISTING); } },
        { "copy a file open for writing", [] { return CopyFile(u"\\journal.txt", u"\\copy.txt", FALSE) != FALSE; } },
    };
    onDevice([&] {
        const HANDLE busy = openFile(u"\\busy.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        ASSERT_NE(busy, INVALID_HANDLE_VALUE);
        const HANDLE journal = openFile(u"\\journal.txt", GENERIC_WRITE, shareAll, OPEN_EXISTING);
        ASSERT_NE(journal, INVALID_HANDLE_VALUE);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_FALSE(c.attempt());
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
        // Reading it, which its sharing allows, still works.
        EXPECT_TRUE(CopyFile(u"\\busy.txt", u"\\copy.txt", TRUE));
        EXPECT_EQ(readRest(busy), "keep");
        CloseHandle(journal);
        CloseHandle(busy);
        EXPECT_TRUE(DeleteFile(u"\\busy.txt"));
    });
    EXPECT_FALSE(std::filesystem::exists(folder() / "busy.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder() / "moved.txt"));
    EXPECT_EQ(hostText("copy.txt"), "keep");
}

TEST_F(FileApiTest, FindsFilesByPatternAndHidesTheEmulatorsEntry)
{
    writeHostFile("Alpha.txt", "12345");
    writeHostFile("beta.TXT", "");
    writeHostFile("gamma.log", "");
    writeHostFile("delta", "");
    writeHostFile("Sub/inner.txt", "");
    writeHostFile(".devemu/state", "");
    struct Case {
        const char16_t* pattern;
        std::vector<std::u16string> names;
        // The error when nothing is found.
        DWORD error;
    };
    // The device's object store volume is there from the start.
    const std::vector<std::u16string> everything { u"Alpha.txt", u"beta.TXT", u"delta", u"gamma.log", u"pim.vol", u"Sub" };
    const Case cases[] = {
        { u"\\*", everything, ERROR_SUCCESS },
        { u"\\*.*", everything, ERROR_SUCCESS },
        { u"\\*.txt", { u"Alpha.txt", u"beta.TXT" }, ERROR_SUCCESS },
        { u"\\?ETA.*", { u"beta.TXT" }, ERROR_SUCCESS },
        { u"\\*M?A.L*", { u"gamma.log" }, ERROR_SUCCESS },
        { u"\\SUB\\*", { u"inner.txt" }, ERROR_SUCCESS },
        { u"\\sub", { u"Sub" }, ERROR_SUCCESS },
        { u"\\*.doc", {}, ERROR_FILE_NOT_FOUND },
        { u"\\.devemu", {}, ERROR_FILE_NOT_FOUND },
        { u"\\.devemu\\*", {}, ERROR_PATH_NOT_FOUND },
        { u"\\Nowhere\\*", {}, ERROR_PATH_NOT_FOUND },
    };
    onDevice([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(emu::toUtf8(c.pattern));
            WIN32_FIND_DATA data {};
            const HANDLE search = FindFirstFile(c.pattern, &data);
            if (c.names.empty()) {
                EXPECT_EQ(search, INVALID_HANDLE_VALUE);
                EXPECT_EQ(GetLastError(), c.error);
                continue;
            }
            ASSERT_NE(search, INVALID_HANDLE_VALUE);
            std::vector<std::u16string> names { data.cFileName };
            while (FindNextFile(search, &data))
                names.emplace_back(data.cFileName);
            EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
            EXPECT_EQ(names, c.names);
            EXPECT_TRUE(FindClose(search));
            EXPECT_FALSE(FindNextFile(search, &data));
            EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        }

        const auto alpha = findOne(u"\\alpha.TXT");
        ASSERT_TRUE(alpha);
        EXPECT_EQ(alpha->dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(alpha->nFileSizeLow, 5u);
        EXPECT_EQ(alpha->nFileSizeHigh, 0u);
        const auto sub = findOne(u"\\Sub");
        ASSERT_TRUE(sub);
        EXPECT_EQ(sub->dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    });
}

TEST_F(FileApiTest, FileTimesFollowTheVirtualClock)
{
    FILETIME firstWrite {};
    FILETIME secondWrite {};
    FILETIME chosen {};
    onDevice([&] {
        Sleep(90'000);
        firstWrite = systemNowAsFileTime();
        ASSERT_TRUE(CreateDirectory(u"\\Log", nullptr));
        const HANDLE created = openFile(u"\\Log\\calls.txt", readWrite, 0, CREATE_NEW);
        ASSERT_NE(created, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(writeText(created, "one"));
        FILETIME creation {};
        FILETIME access {};
        FILETIME written {};
        ASSERT_TRUE(GetFileTime(created, &creation, &access, &written));
        EXPECT_EQ(describeTime(written), describeTime(firstWrite));
        EXPECT_EQ(describeTime(creation), describeTime(firstWrite));
        CloseHandle(created);

        // Reading an hour later leaves the time alone.
        Sleep(3'600'000);
        EXPECT_EQ(readDeviceFile(u"\\Log\\calls.txt"), "one");
        EXPECT_EQ(describeTime(foundWriteTime(u"\\Log\\calls.txt")), describeTime(firstWrite));

        // Writing takes the time of the write, not that of the close.
        Sleep(61'000);
        secondWrite = systemNowAsFileTime();
        const HANDLE appender = openFile(u"\\Log\\calls.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
        ASSERT_NE(appender, INVALID_HANDLE_VALUE);
        SetFilePointer(appender, 0, nullptr, FILE_END);
        ASSERT_TRUE(writeText(appender, " two"));
        Sleep(5'000);
        CloseHandle(appender);
        EXPECT_EQ(describeTime(foundWriteTime(u"\\Log\\calls.txt")), describeTime(secondWrite));
        // The folder changed when the file was created in it.
        EXPECT_EQ(describeTime(foundWriteTime(u"\\Log")), describeTime(firstWrite));

        // A time set by the program stays, to the millisecond, after the close.
        const SYSTEMTIME past { 2001, 2, 0, 3, 4, 5, 6, 789 };
        ASSERT_TRUE(SystemTimeToFileTime(&past, &chosen));
        const HANDLE stamped = openFile(u"\\stamped.txt", readWrite, 0, CREATE_NEW);
        ASSERT_TRUE(writeText(stamped, "x"));
        ASSERT_TRUE(SetFileTime(stamped, nullptr, nullptr, &chosen));
        CloseHandle(stamped);
        EXPECT_EQ(describeTime(foundWriteTime(u"\\stamped.txt")), "2001-02-03 04:05:06.789");
    });
    EXPECT_EQ(hostModificationTime("Log/calls.txt"), hostInstantOf(secondWrite));
    EXPECT_EQ(hostModificationTime("Log"), hostInstantOf(firstWrite));
    EXPECT_EQ(hostModificationTime("stamped.txt"), hostInstantOf(chosen));
}

TEST_F(FileApiTest, FoldersAreCreatedAndRemovedOnlyWhenEmpty)
{
    onDevice([] {
        ASSERT_TRUE(CreateDirectory(u"\\Docs", nullptr));
        EXPECT_FALSE(CreateDirectory(u"\\DOCS", nullptr));
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        EXPECT_FALSE(CreateDirectory(u"\\Missing\\Sub", nullptr));
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
        EXPECT_EQ(GetFileAttributes(u"\\docs"), FILE_ATTRIBUTE_DIRECTORY);

        writeDeviceFile(u"\\Docs\\a.txt", "a");
        EXPECT_FALSE(RemoveDirectory(u"\\Docs"));
        EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
        EXPECT_FALSE(DeleteFile(u"\\Docs"));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(RemoveDirectory(u"\\Docs\\a.txt"));
        EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
        EXPECT_FALSE(RemoveDirectory(u"\\"));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

        EXPECT_TRUE(DeleteFile(u"\\docs\\A.TXT"));
        EXPECT_TRUE(RemoveDirectory(u"\\docs"));
        EXPECT_EQ(GetFileAttributes(u"\\Docs"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(RemoveDirectory(u"\\Docs"));
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

        WCHAR small[4];
        EXPECT_EQ(GetTempPath(std::size(small), small), 7u);
        WCHAR temp[MAX_PATH];
        ASSERT_EQ(GetTempPath(MAX_PATH, temp), 6u);
        EXPECT_EQ(std::u16string(temp), u"\\Temp\\");
        EXPECT_EQ(GetFileAttributes(temp), FILE_ATTRIBUTE_DIRECTORY);
    });
    EXPECT_FALSE(std::filesystem::exists(folder() / "Docs"));
    EXPECT_TRUE(std::filesystem::is_directory(folder() / "Temp"));
}

TEST_F(FileApiTest, MovesCopiesAndKeepsTheReadOnlyAttribute)
{
    onDevice([this] {
        writeDeviceFile(u"\\a.txt", "abc");
        writeDeviceFile(u"\\other.txt", "other");
        ASSERT_TRUE(MoveFile(u"\\A.txt", u"\\b.txt"));
        EXPECT_EQ(GetFileAttributes(u"\\a.txt"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(MoveFile(u"\\b.txt", u"\\Other.txt"));
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        EXPECT_FALSE(MoveFile(u"\\b.txt", u"\\Missing\\b.txt"));
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(MoveFile(u"\\gone.txt", u"\\c.txt"));
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
        // A change of case only renames.
        ASSERT_TRUE(MoveFile(u"\\b.txt", u"\\B.TXT"));
        EXPECT_EQ(foundName(u"\\b.txt"), u"B.TXT");

        // A copy keeps the content and the last-write time of its source.
        Sleep(10'000);
        ASSERT_TRUE(CopyFile(u"\\b.txt", u"\\c.txt", TRUE));
        EXPECT_FALSE(CopyFile(u"\\b.txt", u"\\C.txt", TRUE));
        EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
        EXPECT_TRUE(CopyFile(u"\\other.txt", u"\\C.txt", FALSE));
        EXPECT_EQ(readDeviceFile(u"\\c.txt"), "other");
        EXPECT_EQ(describeTime(foundWriteTime(u"\\c.txt")), describeTime(foundWriteTime(u"\\other.txt")));

        // Read-only: the host file loses its write permission; the device refuses writing and deleting.
        ASSERT_TRUE(SetFileAttributes(u"\\c.txt", FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(GetFileAttributes(u"\\C.TXT"), FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(std::filesystem::status(folder() / "c.txt").permissions() & std::filesystem::perms::owner_write,
                  std::filesystem::perms::none);
        EXPECT_EQ(openFile(u"\\c.txt", GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(DeleteFile(u"\\c.txt"));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(CopyFile(u"\\other.txt", u"\\c.txt", FALSE));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(readDeviceFile(u"\\c.txt"), "other");
        // A copy of a read-only file is read-only too.
        ASSERT_TRUE(CopyFile(u"\\c.txt", u"\\d.txt", TRUE));
        EXPECT_EQ(GetFileAttributes(u"\\d.txt"), FILE_ATTRIBUTE_READONLY);
        ASSERT_TRUE(SetFileAttributes(u"\\c.txt", FILE_ATTRIBUTE_NORMAL));
        EXPECT_EQ(GetFileAttributes(u"\\c.txt"), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(DeleteFile(u"\\c.txt"));

        // A folder moves with what it holds, unless a file inside is open.
        ASSERT_TRUE(CreateDirectory(u"\\Box", nullptr));
        writeDeviceFile(u"\\Box\\in.txt", "in");
        const HANDLE inside = openFile(u"\\Box\\in.txt", GENERIC_READ, shareAll, OPEN_EXISTING);
        EXPECT_FALSE(MoveFile(u"\\Box", u"\\Crate"));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        CloseHandle(inside);
        ASSERT_TRUE(MoveFile(u"\\Box", u"\\Crate"));
        EXPECT_EQ(readDeviceFile(u"\\crate\\IN.txt"), "in");
    });
    EXPECT_EQ(hostText("B.TXT"), "abc");
    EXPECT_FALSE(std::filesystem::exists(folder() / "b.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder() / "c.txt"));
    EXPECT_EQ(hostText("Crate/in.txt"), "in");
}

TEST_F(FileApiTest, AReadOnlyMappingOfAFileSeesItsBytes)
{
    const std::string content = "mapped bytes of a device file";
    onDevice([&] {
        ASSERT_TRUE(CreateDirectory(u"\\Index", nullptr));
        writeDeviceFile(u"\\Index\\names.idx", content);
        const HANDLE file = openFile(u"\\index\\NAMES.idx", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(CreateFileMapping(file, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

        const HANDLE mapping = CreateFileMapping(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        ASSERT_NE(mapping, nullptr);
        const auto* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(std::string_view(view, content.size()), content);
        EXPECT_TRUE(UnmapViewOfFile(view));
        CloseHandle(mapping);
        CloseHandle(file);
    });
}

}
