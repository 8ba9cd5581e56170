// The object store: mounting volumes (and refusing what is no volume), databases and their checks,
// records written, read and deleted in every value type, the read buffer's allocation, identifiers
// never given twice, the volume kept across devices on one folder, its last-write time, the fresh
// device's contacts database, and the driver's transaction.
#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinDb.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/DbError.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/WindowManager.h"
#include "tests/platform/ObjectStoreSupport.h"
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

using emu::ContactsSchema;
using testing_support::bytesValue;
using testing_support::caseName;
using testing_support::databaseInfo;
using testing_support::flaggedValue;
using testing_support::hex;
using testing_support::mountPimVolume;
using testing_support::numberValue;
using testing_support::openDatabase;
using testing_support::readCurrent;
using testing_support::sortOrder;
using testing_support::textValue;
using testing_support::writeRecord;

namespace {

constexpr CEPROPID firstName = MAKEPROPID(0x82, CEVT_LPWSTR);
constexpr CEPROPID lastName = MAKEPROPID(0x84, CEVT_LPWSTR);
constexpr CEPROPID mobile = MAKEPROPID(0x96, CEVT_LPWSTR);

std::uint64_t ticksOf(const FILETIME& time)
{
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::uint64_t volumeWriteTime()
{
    WIN32_FIND_DATA data {};
    const HANDLE search = FindFirstFile(u"\\pim.vol", &data);
    EXPECT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    return ticksOf(data.ftLastWriteTime);
}

class ObjectStoreTest : public testing_support::DeviceFixture {
protected:
    void writeHostFile(const std::string& name, const std::string& bytes)
    {
        std::ofstream(folder() / name, std::ios::binary) << bytes;
    }
};

// ---- Volumes

struct MountCase {
    std::string name;
    const char16_t* path;
    DWORD flags;
    // 0 when the mount succeeds.
    DWORD error;
    friend void PrintTo(const MountCase& c, std::ostream* out) { *out << c.name; }
};

class MountTest : public ObjectStoreTest, public ::testing::WithParamInterface<MountCase> { };

TEST_P(MountTest, MountsVolumesAndRefusesWhatIsNone)
{
    const MountCase& c = GetParam();
    writeHostFile("notes.txt", "This is a text file, and no volume at all.\n");
    writeHostFile("empty.vol", "");
    // A file that starts as an SQLite database would, and is damaged after its header.
    writeHostFile("damaged.vol", std::string("SQLite format 3\0", 16) + std::string(200, '\x7F'));
    BOOL mounted = FALSE;
    DWORD error = 0;
    CEGUID volume {};
    runProgram([&] {
        mounted = CeMountDBVol(&volume, c.path, c.flags);
        error = GetLastError();
        if (mounted) {
            EXPECT_TRUE(CeUnmountDBVol(&volume));
        }
        return 0;
    });
    if (c.error == 0) {
        EXPECT_TRUE(mounted);
        EXPECT_FALSE(volume == CEGUID {});
    } else {
        EXPECT_FALSE(mounted);
        EXPECT_EQ(error, c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, MountTest,
    ::testing::Values(MountCase { "DevicesVolume", u"\\pim.vol", OPEN_EXISTING, 0 },
        MountCase { "DevicesVolumeAnyCase", u"\\PIM.VOL", OPEN_ALWAYS, 0 },
        MountCase { "MissingVolume", u"\\other.vol", OPEN_EXISTING, ERROR_FILE_NOT_FOUND },
        MountCase { "NewVolume", u"\\other.vol", OPEN_ALWAYS, 0 },
        MountCase { "NewVolumeOnly", u"\\other.vol", CREATE_NEW, 0 },
        MountCase { "NewVolumeOverExisting", u"\\pim.vol", CREATE_NEW, ERROR_FILE_EXISTS },
        MountCase { "MissingFolder", u"\\Nowhere\\other.vol", OPEN_ALWAYS, ERROR_PATH_NOT_FOUND },
        MountCase { "TextFile", u"\\notes.txt", OPEN_EXISTING, ERROR_FILE_CORRUPT },
        MountCase { "EmptyFile", u"\\empty.vol", OPEN_ALWAYS, ERROR_FILE_CORRUPT },
        MountCase { "DamagedDatabase", u"\\damaged.vol", OPEN_EXISTING, ERROR_FILE_CORRUPT },
        MountCase { "ReplacedTextFile", u"\\notes.txt", CREATE_ALWAYS, 0 },
        MountCase { "UnknownCreation", u"\\pim.vol", TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER }),
    caseName<MountCase>);

TEST_F(ObjectStoreTest, VolumeKeepsOneIdentifierForAllItsMountsAndUnmountsEachOnce)
{
    CEGUID first {};
    CEGUID second {};
    CEGUID fromOtherProcess {};
    std::vector<BOOL> unmounts;
    DWORD lastError = 0;
    runProgram([&] {
        first = mountPimVolume();
        second = mountPimVolume();
        return 0;
    });
    runProgram([&] {
        fromOtherProcess = mountPimVolume();
        CEGUID madeUp { 1, 2, 3, 4 };
        for (CEGUID* volume : { &first, &second, &fromOtherProcess, &first, &madeUp })
            unmounts.push_back(CeUnmountDBVol(volume));
        lastError = GetLastError();
        return 0;
    }, u"other");
    EXPECT_FALSE(first == CEGUID {});
    EXPECT_TRUE(first == second);
    EXPECT_TRUE(first == fromOtherProcess);
    EXPECT_EQ(unmounts, (std::vector<BOOL> { TRUE, TRUE, TRUE, FALSE, FALSE }));
    EXPECT_EQ(lastError, ERROR_INVALID_PARAMETER);
}

// ---- Databases

struct CreateCase {
    std::string name;
    std::u16string database;
    std::vector<SORTORDERSPECEX> sortOrders;
    DWORD error;
    friend void PrintTo(const CreateCase& c, std::ostream* out) { *out << c.name; }
};

class CreateDatabaseTest : public ObjectStoreTest, public ::testing::WithParamInterface<CreateCase> { };

TEST_P(CreateDatabaseTest, ChecksNamesAndSortOrders)
{
    const CreateCase& c = GetParam();
    CEOID created = 0;
    DWORD error = 0;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        CEDBASEINFOEX info = databaseInfo(c.database.c_str(), c.sortOrders);
        if (c.sortOrders.size() > CEDB_MAXSORTORDER)
            info.wNumSortOrder = static_cast<WORD>(c.sortOrders.size());
        created = CeCreateDatabaseEx2(&volume, &info);
        error = GetLastError();
        return 0;
    });
    EXPECT_EQ(created != 0, c.error == 0);
    if (c.error) {
        EXPECT_EQ(error, c.error);
    }
}

const SORTORDERSPECEX byNumber = sortOrder({ MAKEPROPID(1, CEVT_UI4) });

INSTANTIATE_TEST_SUITE_P(Databases, CreateDatabaseTest,
    ::testing::Values(CreateCase { "FourSortOrders", u"Orders", { byNumber, byNumber, byNumber, byNumber }, 0 },
        CreateCase { "FiveSortOrders", u"Orders", { byNumber, byNumber, byNumber, byNumber, byNumber }, ERROR_INVALID_PARAMETER },
        CreateCase { "NameOf31", std::u16string(31, u'n'), {}, 0 },
        CreateCase { "NameOf32", std::u16string(32, u'n'), {}, ERROR_INVALID_PARAMETER },
        CreateCase { "EmptyName", u"", {}, ERROR_INVALID_PARAMETER },
        CreateCase { "NameTakenInAnotherCase", u"CONTACTS database", {}, ERROR_DUP_NAME },
        CreateCase { "NoPropertiesToSortBy", u"Orders", { sortOrder({}) }, ERROR_INVALID_PARAMETER },
        CreateCase { "UnknownSortFlag", u"Orders", { sortOrder({ MAKEPROPID(1, CEVT_UI4) }, { 0x100 }) }, ERROR_INVALID_PARAMETER },
        CreateCase { "UnknownType", u"Orders", { sortOrder({ MAKEPROPID(1, 77) }) }, ERROR_INVALID_PARAMETER }),
    caseName<CreateCase>);

TEST_F(ObjectStoreTest, OpensOnlyInTheSortOrdersTheDatabaseHas)
{
    std::vector<std::string> outcomes;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const SORTORDERSPECEX byName = sortOrder({ lastName, firstName }, { CEDB_SORT_CASEINSENSITIVE, 0 }, CEDB_SORT_PRIMARYKEY);
        CEDBASEINFOEX info = databaseInfo(u"People", { byName });
        EXPECT_NE(CeCreateDatabaseEx2(&volume, &info), 0u);
        struct Attempt {
            const char* name;
            const char16_t* database;
            SORTORDERSPECEX sort;
            bool withSort;
        };
        const Attempt attempts[] = {
            { "no sort order", u"People", {}, false },
            { "its sort order", u"people", byName, true },
            { "its sort order with other key flags", u"People", sortOrder({ lastName, firstName }, { CEDB_SORT_CASEINSENSITIVE, 0 }), true },
            { "other flags", u"People", sortOrder({ lastName, firstName }), true },
            { "fewer properties", u"People", sortOrder({ lastName }, { CEDB_SORT_CASEINSENSITIVE }), true },
            { "unknown database", u"Nobody", {}, false },
        };
        for (const Attempt& attempt : attempts) {
            CEOID database = 0;
            SORTORDERSPECEX sort = attempt.sort;
            const HANDLE handle = CeOpenDatabaseEx2(&volume, &database, attempt.database, attempt.withSort ? &sort : nullptr, 0, nullptr);
            outcomes.push_back(std::string(attempt.name) + ": " + (handle == INVALID_HANDLE_VALUE ? "error " + std::to_string(GetLastError()) : "open"));
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        }
        return 0;
    });
    EXPECT_EQ(outcomes, (std::vector<std::string> { "no sort order: open", "its sort order: open", "its sort order with other key flags: open",
                            "other flags: error 87", "fewer properties: error 87", "unknown database: error 2" }));
}

TEST_F(ObjectStoreTest, DatabaseIsDeletedWithItsRecordsOnlyWhenNoHandleHasItOpen)
{
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        CEDBASEINFOEX info = databaseInfo(u"Scratch");
        const CEOID scratch = CeCreateDatabaseEx2(&volume, &info);
        const HANDLE handle = openDatabase(volume, u"Scratch");
        const CEOID record = writeRecord(handle, 0, { numberValue(MAKEPROPID(1, CEVT_I4), 1) });
        EXPECT_FALSE(CeDeleteDatabaseEx(&volume, scratch));
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        CloseHandle(handle);
        EXPECT_TRUE(CeDeleteDatabaseEx(&volume, scratch));
        CEOIDINFOEX objectInfo {};
        EXPECT_FALSE(CeOidGetInfoEx2(&volume, record, &objectInfo));
        EXPECT_FALSE(CeOidGetInfoEx2(&volume, scratch, &objectInfo));
        CEOID database = 0;
        EXPECT_EQ(CeOpenDatabaseEx2(&volume, &database, u"Scratch", nullptr, 0, nullptr), INVALID_HANDLE_VALUE);
        return 0;
    });
}

// ---- Records

TEST_F(ObjectStoreTest, WritesAndReadsEveryValueTypeAndChangesAndRemovesProperties)
{
    std::vector<std::string> all;
    std::vector<std::string> listed;
    std::vector<std::string> changed;
    std::string recordInfo;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        CEDBASEINFOEX info = databaseInfo(u"Types");
        EXPECT_NE(CeCreateDatabaseEx2(&volume, &info), 0u);
        const HANDLE database = openDatabase(volume, u"Types");
        std::vector<BYTE> blob { 0x00, 0xFF, 0x10 };
        std::vector<BYTE> stream { 0x41, 0x00, 0x42 };
        std::vector<BYTE> empty;
        const CEOID record = writeRecord(database, 0,
            {
                numberValue(MAKEPROPID(0x10, CEVT_I2), -2),
                numberValue(MAKEPROPID(0x11, CEVT_I4), -70000),
                numberValue(MAKEPROPID(0x12, CEVT_UI2), 65535),
                numberValue(MAKEPROPID(0x13, CEVT_UI4), 0xFFFFFFFE),
                numberValue(MAKEPROPID(0x14, CEVT_R8), 3),
                numberValue(MAKEPROPID(0x15, CEVT_BOOL), 1),
                textValue(MAKEPROPID(0x16, CEVT_LPWSTR), u"Иван \"Ivan\""),
                textValue(MAKEPROPID(0x17, CEVT_LPWSTR), u""),
                numberValue(MAKEPROPID(0x18, CEVT_FILETIME), 0x01DC123456789ABC),
                bytesValue(MAKEPROPID(0x19, CEVT_BLOB), blob),
                bytesValue(MAKEPROPID(0x1A, CEVT_STREAM), stream),
                bytesValue(MAKEPROPID(0x1B, CEVT_BLOB), empty),
            });
        all = readCurrent(database);
        listed = readCurrent(database, { MAKEPROPID(0x19, CEVT_BLOB), MAKEPROPID(0x50, CEVT_LPWSTR), MAKEPROPID(0x11, CEVT_I4),
                                           MAKEPROPID(0x11, CEVT_UI4) });
        // Written again: one property replaced, two removed (one the record never had), one added.
        EXPECT_EQ(writeRecord(database, record,
                      { textValue(MAKEPROPID(0x16, CEVT_LPWSTR), u"Пётр"), flaggedValue(MAKEPROPID(0x10, CEVT_I2), CEDB_PROPDELETE),
                          flaggedValue(MAKEPROPID(0x60, CEVT_I4), CEDB_PROPDELETE), numberValue(MAKEPROPID(0x20, CEVT_I4), 7) }),
            record);
        changed = readCurrent(database, { MAKEPROPID(0x10, CEVT_I2), MAKEPROPID(0x16, CEVT_LPWSTR), MAKEPROPID(0x20, CEVT_I4) });
        CEOIDINFOEX objectInfo {};
        EXPECT_TRUE(CeOidGetInfoEx2(&volume, record, &objectInfo));
        CEOID typesId = 0;
        CloseHandle(CeOpenDatabaseEx2(&volume, &typesId, u"Types", nullptr, 0, nullptr));
        recordInfo = std::to_string(objectInfo.wObjType) + (objectInfo.infRecord.oidParent == typesId ? " in Types" : " elsewhere");
        return 0;
    });
    EXPECT_EQ(all, (std::vector<std::string> {
                       "0x00100002 -2",
                       "0x00110003 -70000",
                       "0x00120012 65535",
                       "0x00130013 4294967294",
                       "0x00140005 3.000000",
                       "0x0015000B 1",
                       "0x0016001F \"Иван \\\"Ivan\\\"\"",
                       "0x0017001F \"\"",
                       "0x00180040 134002104912616124",
                       "0x00190041 00 FF 10",
                       "0x001A0064 41 00 42",
                       "0x001B0041",
                   }));
    EXPECT_EQ(listed, (std::vector<std::string> { "0x00190041 00 FF 10", "0x0050001F missing", "0x00110003 -70000", "0x00110013 missing" }));
    EXPECT_EQ(changed, (std::vector<std::string> { "0x00100002 missing", "0x0016001F \"Пётр\"", "0x00200003 7" }));
    EXPECT_EQ(recordInfo, "3 in Types");
}

TEST_F(ObjectStoreTest, WritesThatCannotBeDoneChangeNothing)
{
    std::vector<std::string> outcomes;
    std::vector<std::string> after;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE contacts = openDatabase(volume, u"Contacts Database");
        const CEOID record = writeRecord(contacts, 0, { textValue(firstName, u"Anna") });
        CEDBASEINFOEX info = databaseInfo(u"Other");
        CeCreateDatabaseEx2(&volume, &info);
        const HANDLE other = openDatabase(volume, u"Other");
        const CEOID foreign = writeRecord(other, 0, { textValue(firstName, u"Boris") });
        const std::uint64_t timeBefore = volumeWriteTime();
        CEPROPVAL unknownType = numberValue(MAKEPROPID(0x90, 77), 1);
        CEPROPVAL noText = textValue(lastName, nullptr);
        CEPROPVAL good = textValue(lastName, u"Ivanova");
        struct Attempt {
            const char* name;
            CEOID record;
            std::vector<CEPROPVAL> values;
        };
        const Attempt attempts[] = {
            { "unknown type", record, { good, unknownType } },
            { "text without characters", record, { good, noText } },
            { "record of another database", foreign, { good } },
            { "no such record", 0x7FFFFFFF, { good } },
        };
        for (Attempt attempt : attempts) {
            const CEOID written = CeWriteRecordProps(contacts, attempt.record, static_cast<WORD>(attempt.values.size()), attempt.values.data());
            outcomes.push_back(std::string(attempt.name) + ": " + std::to_string(written) + " error " + std::to_string(GetLastError()));
        }
        EXPECT_FALSE(CeDeleteRecord(contacts, foreign));
        EXPECT_EQ(GetLastError(), ERROR_NOT_FOUND);
        EXPECT_EQ(volumeWriteTime(), timeBefore);
        after = readCurrent(contacts);
        return 0;
    });
    EXPECT_EQ(outcomes, (std::vector<std::string> { "unknown type: 0 error 87", "text without characters: 0 error 87",
                            "record of another database: 0 error 1168", "no such record: 0 error 1168" }));
    EXPECT_EQ(after, (std::vector<std::string> { "0x0082001F \"Anna\"" }));
}

TEST_F(ObjectStoreTest, ReadBufferIsAllocatedReplacedOrRefusedAsTheFlagsSay)
{
    EXPECT_EQ(runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE contacts = openDatabase(volume, u"Contacts Database");
        writeRecord(contacts, 0, { textValue(firstName, u"Anna"), textValue(mobile, u"+79161234567") });

        // No buffer: the engine allocates one of the size it needs.
        WORD count = 0;
        BYTE* allocated = nullptr;
        DWORD size = 0;
        EXPECT_NE(CeReadRecordPropsEx(contacts, CEDB_ALLOWREALLOC, &count, nullptr, &allocated, &size, nullptr), 0u);
        if (!allocated)
            return 1;
        EXPECT_EQ(count, 2);
        const DWORD needed = size;
        EXPECT_GE(needed, 2 * sizeof(CEPROPVAL) + sizeof(u"Anna") + sizeof(u"+79161234567"));
        // Strings live inside the buffer, after the values.
        const auto* values = reinterpret_cast<const CEPROPVAL*>(allocated);
        const auto* text = reinterpret_cast<const BYTE*>(values[0].val.lpwstr);
        EXPECT_GE(text, allocated + 2 * sizeof(CEPROPVAL));
        EXPECT_LT(text, allocated + needed);
        EXPECT_EQ(LocalFree(allocated), nullptr);

        // A short buffer of the local heap is replaced, and the old one freed.
        BYTE* small = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, 8));
        BYTE* buffer = small;
        size = 8;
        EXPECT_NE(CeReadRecordPropsEx(contacts, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr), 0u);
        EXPECT_NE(buffer, small);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(LocalFree(small), small);
        // A buffer big enough is used as it is.
        BYTE* kept = buffer;
        EXPECT_NE(CeReadRecordPropsEx(contacts, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr), 0u);
        EXPECT_EQ(buffer, kept);
        EXPECT_EQ(LocalFree(buffer), nullptr);

        // Without the flag a short buffer is refused, and told the size it needs.
        std::vector<BYTE> caller(16);
        buffer = caller.data();
        size = static_cast<DWORD>(caller.size());
        EXPECT_EQ(CeReadRecordPropsEx(contacts, 0, &count, nullptr, &buffer, &size, nullptr), 0u);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(buffer, caller.data());
        caller.resize(size);
        buffer = caller.data();
        EXPECT_NE(CeReadRecordPropsEx(contacts, 0, &count, nullptr, &buffer, &size, nullptr), 0u);
        EXPECT_EQ(testing_support::describe(reinterpret_cast<const CEPROPVAL*>(caller.data())[1]), "0x0096001F \"+79161234567\"");

        // A heap of the program's own.
        const HANDLE heap = HeapCreate(0, 0, 0);
        buffer = nullptr;
        EXPECT_NE(CeReadRecordPropsEx(contacts, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, heap), 0u);
        EXPECT_TRUE(HeapFree(heap, 0, buffer));
        EXPECT_TRUE(HeapDestroy(heap));
        return 0;
    }), 0u);
}

TEST_F(ObjectStoreTest, IdentifiersAreNeverGivenTwiceEvenAcrossDevices)
{
    std::vector<CEOID> ids;
    const auto createTwoDeleteOne = [&] {
        runProgram([&] {
            CEGUID volume = mountPimVolume();
            const HANDLE contacts = openDatabase(volume, u"Contacts Database");
            for (int i = 0; i < 2; ++i)
                ids.push_back(writeRecord(contacts, 0, { textValue(firstName, u"X") }));
            EXPECT_TRUE(CeDeleteRecord(contacts, ids.back()));
            CEDBASEINFOEX info = databaseInfo(ids.size() == 2 ? u"First" : u"Second");
            ids.push_back(CeCreateDatabaseEx2(&volume, &info));
            return 0;
        });
    };
    createTwoDeleteOne();
    resetDevice(emu::DeviceProfile {});
    createTwoDeleteOne();
    ASSERT_EQ(ids.size(), 6u);
    for (std::size_t i = 1; i < ids.size(); ++i)
        EXPECT_GT(ids[i], ids[i - 1]) << i;
    EXPECT_NE(ids.front(), 0u);
}

TEST_F(ObjectStoreTest, DataStaysInTheFolderForTheNextDevice)
{
    CEOID record = 0;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE contacts = openDatabase(volume, u"Contacts Database");
        record = writeRecord(contacts, 0, { textValue(firstName, u"Anna"), textValue(mobile, u"+79161234567") });
        return 0;
    });
    resetDevice(emu::DeviceProfile {});
    std::vector<std::string> read;
    DWORD count = 0;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE contacts = openDatabase(volume, u"Contacts Database");
        EXPECT_EQ(CeSeekDatabaseEx(contacts, CEDB_SEEK_CEOID, record, 0, nullptr), record);
        read = readCurrent(contacts);
        CEOID contactsId = 0;
        CloseHandle(CeOpenDatabaseEx2(&volume, &contactsId, u"Contacts Database", nullptr, 0, nullptr));
        CEOIDINFOEX info {};
        EXPECT_TRUE(CeOidGetInfoEx2(&volume, contactsId, &info));
        count = info.infDatabase.dwNumRecords;
        return 0;
    });
    EXPECT_EQ(read, (std::vector<std::string> { "0x0082001F \"Anna\"", "0x0096001F \"+79161234567\"" }));
    EXPECT_EQ(count, 1u);
    // Nothing is left beside the volume between calls.
    EXPECT_FALSE(std::filesystem::exists(folder() / "pim.vol-journal"));
    EXPECT_FALSE(std::filesystem::exists(folder() / "pim.vol-wal"));
}

TEST_F(ObjectStoreTest, LastWriteTimeMovesWithEveryCommitEvenWithinOneTickAndStaysOverReads)
{
    std::vector<std::uint64_t> times;
    std::uint64_t virtualNow = 0;
    std::uint64_t fromHandle = 0;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE contacts = openDatabase(volume, u"Contacts Database");
        times.push_back(volumeWriteTime());
        const CEOID record = writeRecord(contacts, 0, { textValue(firstName, u"Anna") });
        times.push_back(volumeWriteTime());
        writeRecord(contacts, record, { textValue(firstName, u"Anya") });
        times.push_back(volumeWriteTime());
        readCurrent(contacts);
        CeSeekDatabaseEx(contacts, CEDB_SEEK_BEGINNING, 0, 0, nullptr);
        CEOIDINFOEX info {};
        CeOidGetInfoEx2(&volume, record, &info);
        times.push_back(volumeWriteTime());
        Sleep(1500);
        EXPECT_TRUE(CeDeleteRecord(contacts, record));
        times.push_back(volumeWriteTime());
        SYSTEMTIME now {};
        GetSystemTime(&now);
        FILETIME nowTime {};
        SystemTimeToFileTime(&now, &nowTime);
        virtualNow = ticksOf(nowTime);
        const HANDLE file = CreateFile(u"\\pim.vol", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME written {};
        EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
        fromHandle = ticksOf(written);
        CloseHandle(file);
        return 0;
    });
    ASSERT_EQ(times.size(), 5u);
    // The clock stood still over the first commits: each is 100 ns after the one before.
    EXPECT_EQ(times[1], times[0] + 1);
    EXPECT_EQ(times[2], times[1] + 1);
    EXPECT_EQ(times[3], times[2]);
    EXPECT_EQ(times[4], virtualNow);
    EXPECT_EQ(fromHandle, times[4]);
}

TEST_F(ObjectStoreTest, AutomaticNumbersGoUpAndPassNumbersWrittenByHand)
{
    std::vector<std::string> numbers;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        constexpr CEPROPID number = MAKEPROPID(1, CEVT_AUTO_I4);
        constexpr CEPROPID name = MAKEPROPID(2, CEVT_LPWSTR);
        SORTORDERSPECEX byNumberSort = sortOrder({ number });
        CEDBASEINFOEX info = databaseInfo(u"Numbered", { byNumberSort });
        CeCreateDatabaseEx2(&volume, &info);
        const HANDLE database = openDatabase(volume, u"Numbered");
        const std::vector<CEOID> records {
            writeRecord(database, 0, { textValue(name, u"one") }),
            writeRecord(database, 0, { textValue(name, u"two") }),
            writeRecord(database, 0, { textValue(name, u"ten"), numberValue(number, 10) }),
            writeRecord(database, 0, { textValue(name, u"eleven") }),
        };
        // A change of a record keeps its number.
        writeRecord(database, records[0], { textValue(name, u"first") });
        for (const CEOID record : records) {
            CeSeekDatabaseEx(database, CEDB_SEEK_CEOID, record, 0, nullptr);
            const auto read = readCurrent(database, { number, name });
            numbers.push_back(read[0] + ", " + read[1]);
        }
        return 0;
    });
    EXPECT_EQ(numbers, (std::vector<std::string> { "0x00010066 1, 0x0002001F \"first\"", "0x00010066 2, 0x0002001F \"two\"",
                           "0x00010066 10, 0x0002001F \"ten\"", "0x00010066 11, 0x0002001F \"eleven\"" }));
}

// ---- The fresh device's contacts

struct FreshDeviceCase {
    std::string name;
    bool demotion;
    friend void PrintTo(const FreshDeviceCase& c, std::ostream* out) { *out << c.name; }
};

class FreshDeviceTest : public ObjectStoreTest, public ::testing::WithParamInterface<FreshDeviceCase> { };

TEST_P(FreshDeviceTest, HasAnEmptyContactsDatabaseDeclaringTheContactPropertiesAndNoCategories)
{
    emu::DeviceProfile profile;
    profile.contactsDemotionProperty = GetParam().demotion;
    std::filesystem::remove(folder() / "pim.vol");
    resetDevice(profile);
    std::vector<CEPROPID> declared;
    std::string description;
    std::vector<DWORD> categoryErrors;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        CEOID contactsId = 0;
        const HANDLE contacts = CeOpenDatabaseEx2(&volume, &contactsId, u"Contacts Database", nullptr, 0, nullptr);
        WORD count = 0;
        EXPECT_FALSE(CeGetDatabaseProps(contacts, &count, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        declared.resize(count);
        EXPECT_TRUE(CeGetDatabaseProps(contacts, &count, declared.data()));
        CEOIDINFOEX info {};
        EXPECT_TRUE(CeOidGetInfoEx2(&volume, contactsId, &info));
        description = std::to_string(info.wObjType) + " " + emu::toUtf8(info.infDatabase.szDbaseName) + " records "
            + std::to_string(info.infDatabase.dwNumRecords) + " sort orders " + std::to_string(info.infDatabase.wNumSortOrder);
        for (const char16_t* name : { u"CategoryMainDB", u"CategoryAssocDB" }) {
            CEOID database = 0;
            EXPECT_EQ(CeOpenDatabaseEx2(&volume, &database, name, nullptr, 0, nullptr), INVALID_HANDLE_VALUE);
            categoryErrors.push_back(GetLastError());
        }
        return 0;
    });
    EXPECT_EQ(description, "2 Contacts Database records 0 sort orders 0");
    EXPECT_EQ(declared, ContactsSchema::contactProperties(GetParam().demotion));
    EXPECT_EQ(std::count(declared.begin(), declared.end(), ContactsSchema::demotion), GetParam().demotion ? 1 : 0);
    EXPECT_EQ(std::count_if(declared.begin(), declared.end(), [](CEPROPID id) { return TypeFromPropID(id) == CEVT_LPWSTR; }), 58);
    for (const CEPROPID id : { ContactsSchema::notes, ContactsSchema::picture, ContactsSchema::dateA, ContactsSchema::dateB, ContactsSchema::linkType,
             ContactsSchema::categoryKey, ContactsSchema::ringtone })
        EXPECT_EQ(std::count(declared.begin(), declared.end(), id), 1) << hex(id);
    // The thirteen numbers are texts the database declares, from the mobile number to the MMS number.
    for (const CEPROPID id : ContactsSchema::phoneNumbers) {
        EXPECT_EQ(std::count(declared.begin(), declared.end(), id), 1) << hex(id);
        EXPECT_TRUE(ContactsSchema::isPhoneNumber(id));
    }
    EXPECT_EQ(ContactsSchema::phoneNumbers.front(), mobile);
    EXPECT_EQ(ContactsSchema::phoneNumbers.back(), MAKEPROPID(0x10A3, CEVT_LPWSTR));
    EXPECT_FALSE(ContactsSchema::isPhoneNumber(firstName));
    EXPECT_FALSE(ContactsSchema::isPhoneNumber(ContactsSchema::ringtone));
    EXPECT_EQ(categoryErrors, (std::vector<DWORD> { ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND }));
}

INSTANTIATE_TEST_SUITE_P(Profiles, FreshDeviceTest,
    ::testing::Values(FreshDeviceCase { "WithoutDemotion", false }, FreshDeviceCase { "WithDemotion", true }), caseName<FreshDeviceCase>);

TEST_F(ObjectStoreTest, DeviceLeavesAVolumeFileItFindsAsItIsEvenWhenItIsNoVolume)
{
    writeHostFile("pim.vol", "not a volume");
    resetDevice(emu::DeviceProfile {});
    DWORD error = 0;
    runProgram([&] {
        CEGUID volume {};
        EXPECT_FALSE(CeMountDBVol(&volume, u"\\pim.vol", OPEN_ALWAYS));
        error = GetLastError();
        return 0;
    });
    EXPECT_EQ(error, ERROR_FILE_CORRUPT);
    std::ifstream file(folder() / "pim.vol");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "not a volume");
}

// ---- The driver's side

TEST_F(ObjectStoreTest, DriverTransactionNotifiesOnlyOnCommitAndLeavesNothingWhenRolledBack)
{
    testing_support::NotificationListener listener;
    const auto process = start(u"listener", [&] { return listener.run(u"Contacts Database", 5); });
    device->runUntilIdle();
    ASSERT_NE(listener.window, nullptr);

    const auto volume = device->objectStore().volume(ContactsSchema::volumePath);
    const CEOID contacts = volume->findDatabase(ContactsSchema::contactsDatabase)->oid;
    const auto timeBefore = std::filesystem::last_write_time(folder() / "pim.vol");
    const std::vector<emu::StoredProperty> anna { { firstName, std::u16string(u"Anna") }, { mobile, std::u16string(u"+79161234567") } };

    volume->beginTransaction();
    for (int i = 0; i < 3; ++i)
        volume->writeRecord(contacts, 0, anna);
    EXPECT_EQ(volume->records(contacts).size(), 3u);
    // A program's write while the driver's transaction is open is refused rather than joined to it.
    DWORD programWrite = 0;
    DWORD programError = 0;
    runProgram([&] {
        CEGUID mounted = mountPimVolume();
        const HANDLE handle = openDatabase(mounted, u"Contacts Database");
        CEPROPVAL value = textValue(firstName, u"Boris");
        programWrite = CeWriteRecordProps(handle, 0, 1, &value);
        programError = GetLastError();
        return 0;
    }, u"writer");
    EXPECT_EQ(programWrite, 0u);
    EXPECT_EQ(programError, ERROR_BUSY);
    volume->rollbackTransaction();
    device->runUntilIdle();
    EXPECT_TRUE(volume->records(contacts).empty());
    EXPECT_EQ(std::filesystem::last_write_time(folder() / "pim.vol"), timeBefore);
    EXPECT_TRUE(listener.received.empty());

    volume->beginTransaction();
    const CEOID first = volume->writeRecord(contacts, 0, anna);
    const CEOID second = volume->writeRecord(contacts, 0, anna);
    volume->deleteRecord(contacts, first);
    device->runUntilIdle();
    EXPECT_TRUE(listener.received.empty());
    volume->commitTransaction();
    device->runUntilIdle();
    const std::string of = " of " + hex(contacts);
    EXPECT_EQ(listener.received, (std::vector<std::string> { "created " + hex(first) + of, "created " + hex(second) + of, "deleted " + hex(first) + of }));
    const auto records = volume->records(contacts);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], (emu::StoredRecord { second, anna }));
    EXPECT_NE(std::filesystem::last_write_time(folder() / "pim.vol"), timeBefore);

    EXPECT_THROW(volume->commitTransaction(), emu::DbError);
    const std::vector<emu::StoredProperty> numberAsText { { firstName, std::int64_t { 5 } } };
    EXPECT_THROW(volume->writeRecord(contacts, 0, numberAsText), emu::DbError);
    device->windows().postFromDriver(listener.window, WM_CLOSE, 0, 0);
    device->runUntil([&] { return process->finished(); }, std::nullopt);
}

}
