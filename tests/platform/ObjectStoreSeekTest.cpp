// Seeks of the object store: walks in creation order and in sort orders (unsigned and signed numbers,
// texts with and without case, descending, missing values first and last, equal keys), every kind of
// seek by position and by value, the end of a walk, auto-increment reads, and a handle's current
// record followed through changes by others.
#include "platform/api/WinBase.h"
#include "platform/api/WinDb.h"
#include "tests/platform/ObjectStoreSupport.h"
#include "tests/support/DeviceFixture.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

using testing_support::caseName;
using testing_support::databaseInfo;
using testing_support::flaggedValue;
using testing_support::mountPimVolume;
using testing_support::numberValue;
using testing_support::openDatabase;
using testing_support::readCurrent;
using testing_support::sortOrder;
using testing_support::textValue;
using testing_support::writeRecord;

namespace {

constexpr CEPROPID key = MAKEPROPID(1, CEVT_UI4);
constexpr CEPROPID number = MAKEPROPID(2, CEVT_I4);
constexpr CEPROPID label = MAKEPROPID(3, CEVT_LPWSTR);
constexpr CEPROPID name = MAKEPROPID(4, CEVT_LPWSTR);

// The sort orders of the "Seek" database, by index.
const std::vector<SORTORDERSPECEX> seekOrders {
    sortOrder({ key, number }, {}, CEDB_SORT_PRIMARYKEY | CEDB_SORT_NO_POSITIONAL),
    sortOrder({ label }, { CEDB_SORT_CASEINSENSITIVE }),
    sortOrder({ number }, { CEDB_SORT_DESCENDING }),
    sortOrder({ label }, { CEDB_SORT_UNKNOWNFIRST }),
};

struct SeekRecord {
    const char16_t* name;
    DWORD key;
    LONG number;
    // Null: the record has no label.
    const char16_t* label;
};

// In creation order. E has the same key as A; "Alpha" and "alpha" are equal without case.
const std::vector<SeekRecord> seekRecords {
    { u"A", 5, 2, u"beta" },
    { u"B", 3, 7, u"Alpha" },
    { u"C", 5, 1, nullptr },
    { u"D", 0x80000001, -4, u"alpha" },
    { u"E", 5, 2, u"Gamma" },
};

// A program's view of the "Seek" database: its records by name, and a handle in one order.
class SeekDatabase {
public:
    // Creates the database and its records; the handle is in creation order.
    SeekDatabase()
    {
        m_volume = mountPimVolume();
        CEDBASEINFOEX info = databaseInfo(u"Seek", seekOrders);
        EXPECT_NE(CeCreateDatabaseEx2(&m_volume, &info), 0u) << GetLastError();
        const HANDLE writer = openDatabase(m_volume, u"Seek");
        for (const SeekRecord& record : seekRecords) {
            std::vector<CEPROPVAL> values { textValue(name, record.name), numberValue(key, record.key), numberValue(number, record.number) };
            if (record.label)
                values.push_back(textValue(label, record.label));
            const CEOID id = writeRecord(writer, 0, values);
            m_ids[std::u16string(record.name)] = id;
            m_names[id] = emu::toUtf8(record.name);
        }
        CloseHandle(writer);
    }

    HANDLE open(std::optional<std::size_t> sortIndex, DWORD flags = 0)
    {
        SORTORDERSPECEX sort = sortIndex ? seekOrders[*sortIndex] : SORTORDERSPECEX {};
        return openDatabase(m_volume, u"Seek", sortIndex ? &sort : nullptr, nullptr, flags);
    }

    CEOID id(const char16_t* recordName) const { return m_ids.at(recordName); }
    // The name of the record a seek reached, or "none" with the error.
    std::string nameOf(CEOID record) const
    {
        if (!record)
            return "none " + std::to_string(GetLastError());
        const auto found = m_names.find(record);
        return found == m_names.end() ? "unknown" : found->second;
    }
    // The name of the handle's current record as a read finds it.
    std::string current(HANDLE database) const
    {
        CEOID record = 0;
        readCurrent(database, { name }, &record);
        return nameOf(record);
    }

private:
    CEGUID m_volume {};
    std::map<std::u16string, CEOID> m_ids;
    std::map<CEOID, std::string> m_names;
};

class ObjectStoreSeekTest : public testing_support::DeviceFixture { };

// ---- Walks

struct WalkCase {
    std::string name;
    std::optional<std::size_t> sortIndex;
    std::string order;
    friend void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.name; }
};

class WalkTest : public ObjectStoreSeekTest, public ::testing::WithParamInterface<WalkCase> { };

TEST_P(WalkTest, WalksTheRecordsInTheOrderAndStopsAtTheEnd)
{
    std::string walked;
    std::string afterEnd;
    runProgram([&] {
        SeekDatabase seek;
        const HANDLE database = seek.open(GetParam().sortIndex);
        DWORD index = 99;
        for (CEOID record = CeSeekDatabaseEx(database, CEDB_SEEK_BEGINNING, 0, 0, &index); record;
             record = CeSeekDatabaseEx(database, CEDB_SEEK_CURRENT, 1, 0, &index)) {
            EXPECT_EQ(index, walked.size());
            walked += seek.current(database);
        }
        // The step off the last record leaves the handle past the end: a read finds no record.
        afterEnd = seek.nameOf(0);
        afterEnd += ", current " + seek.current(database);
        return 0;
    });
    EXPECT_EQ(walked, GetParam().order);
    EXPECT_EQ(afterEnd, "none 259, current none 259");
}

INSTANTIATE_TEST_SUITE_P(Orders, WalkTest,
    ::testing::Values(WalkCase { "Creation", std::nullopt, "ABCDE" },
        // Unsigned keys (0x80000001 is the largest), then signed numbers; A and E are equal.
        WalkCase { "UnsignedThenSigned", 0, "BCAED" },
        // "Alpha" and "alpha" are equal without case; C has no label and comes last.
        WalkCase { "CaseInsensitive", 1, "BDAEC" },
        WalkCase { "Descending", 2, "BAECD" },
        // UTF-16 units: capitals first; C has no label and comes first.
        WalkCase { "UnknownFirst", 3, "CBEDA" }),
    caseName<WalkCase>);

TEST_F(ObjectStoreSeekTest, ReadsWithAutoIncrementWalkToTheEndAndThenReportNoMoreItems)
{
    std::string walked;
    DWORD endError = 0;
    runProgram([&] {
        SeekDatabase seek;
        const HANDLE database = seek.open(0, CEDB_AUTOINCREMENT);
        for (std::string next = seek.current(database); next.size() == 1; next = seek.current(database))
            walked += next;
        CEOID record = 0;
        readCurrent(database, {}, &record);
        endError = GetLastError();
        EXPECT_EQ(record, 0u);
        return 0;
    });
    EXPECT_EQ(walked, "BCAED");
    EXPECT_EQ(endError, ERROR_NO_MORE_ITEMS);
}

TEST_F(ObjectStoreSeekTest, EmptyDatabaseHasNoCurrentRecord)
{
    std::vector<std::string> outcomes;
    runProgram([&] {
        CEGUID volume = mountPimVolume();
        const HANDLE contacts = openDatabase(volume, u"Contacts Database");
        outcomes = readCurrent(contacts);
        const CEOID first = CeSeekDatabaseEx(contacts, CEDB_SEEK_BEGINNING, 0, 0, nullptr);
        outcomes.push_back(std::to_string(first) + " " + std::to_string(GetLastError()));
        return 0;
    });
    EXPECT_EQ(outcomes, (std::vector<std::string> { "error 259", "0 259" }));
}

// ---- Seeks

struct SeekCase {
    std::string name;
    std::optional<std::size_t> sortIndex;
    // The record the handle is at before the seek.
    const char16_t* from;
    DWORD seekType;
    // For positional seeks: the offset; for the value seeks: the values (flagged absent when null).
    LONG offset;
    std::vector<std::optional<std::int64_t>> values;
    const char16_t* text;
    // The record reached ("none" and the error otherwise) and its position.
    std::string reached;
    DWORD index;
    friend void PrintTo(const SeekCase& c, std::ostream* out) { *out << c.name; }
};

class SeekTest : public ObjectStoreSeekTest, public ::testing::WithParamInterface<SeekCase> { };

TEST_P(SeekTest, ReachesTheRecordOrLeavesTheCurrentOne)
{
    const SeekCase& c = GetParam();
    std::string reached;
    DWORD index = 99;
    std::string currentAfter;
    runProgram([&] {
        SeekDatabase seek;
        const HANDLE database = seek.open(c.sortIndex);
        EXPECT_EQ(CeSeekDatabaseEx(database, CEDB_SEEK_CEOID, seek.id(c.from), 0, nullptr), seek.id(c.from));
        std::vector<CEPROPVAL> values;
        const std::vector<SORTORDERSPECEX>& orders = seekOrders;
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            const CEPROPID id = orders[c.sortIndex.value_or(0)].rgPropID[i];
            values.push_back(c.values[i] ? numberValue(id, *c.values[i]) : flaggedValue(id, CEDB_PROPNOTFOUND));
        }
        if (c.text)
            values.push_back(textValue(label, c.text));
        DWORD_PTR value = static_cast<DWORD>(c.offset);
        if (c.seekType == CEDB_SEEK_CEOID)
            value = c.offset ? static_cast<DWORD>(c.offset) : seek.id(u"D");
        if (!values.empty())
            value = reinterpret_cast<DWORD_PTR>(values.data());
        const CEOID record = CeSeekDatabaseEx(database, c.seekType, value, static_cast<WORD>(values.size()), &index);
        reached = seek.nameOf(record);
        currentAfter = seek.current(database);
        return 0;
    });
    EXPECT_EQ(reached, c.reached);
    if (c.reached.size() == 1) {
        EXPECT_EQ(index, c.index);
        EXPECT_EQ(currentAfter, c.reached);
    } else {
        EXPECT_EQ(currentAfter, emu::toUtf8(c.from));
    }
}

constexpr std::optional<std::size_t> creation;
constexpr std::optional<std::size_t> unsignedThenSigned = 0;
constexpr std::optional<std::int64_t> absent;

INSTANTIATE_TEST_SUITE_P(Positions, SeekTest,
    ::testing::Values(SeekCase { "FirstRecord", creation, u"C", CEDB_SEEK_BEGINNING, 0, {}, nullptr, "A", 0 },
        SeekCase { "LastFromBeginning", creation, u"C", CEDB_SEEK_BEGINNING, 4, {}, nullptr, "E", 4 },
        SeekCase { "PastTheEndFromBeginning", creation, u"C", CEDB_SEEK_BEGINNING, 5, {}, nullptr, "none 259", 0 },
        SeekCase { "LastRecord", creation, u"C", CEDB_SEEK_END, 0, {}, nullptr, "E", 4 },
        SeekCase { "OneBackFromTheEnd", creation, u"C", CEDB_SEEK_END, 1, {}, nullptr, "D", 3 },
        SeekCase { "OneBackFromTheEndNegative", creation, u"C", CEDB_SEEK_END, -1, {}, nullptr, "D", 3 },
        SeekCase { "BeforeTheFirstFromTheEnd", creation, u"C", CEDB_SEEK_END, 5, {}, nullptr, "none 259", 0 },
        SeekCase { "Forward", creation, u"C", CEDB_SEEK_CURRENT, 1, {}, nullptr, "D", 3 },
        SeekCase { "Backward", creation, u"C", CEDB_SEEK_CURRENT, -2, {}, nullptr, "A", 0 },
        SeekCase { "StayingPut", creation, u"C", CEDB_SEEK_CURRENT, 0, {}, nullptr, "C", 2 },
        SeekCase { "BeforeTheFirst", creation, u"C", CEDB_SEEK_CURRENT, -3, {}, nullptr, "none 259", 0 },
        SeekCase { "PositionInSortOrder", unsignedThenSigned, u"C", CEDB_SEEK_END, 0, {}, nullptr, "D", 4 },
        SeekCase { "Identifier", unsignedThenSigned, u"A", CEDB_SEEK_CEOID, 0, {}, nullptr, "D", 4 },
        SeekCase { "UnknownIdentifier", creation, u"A", CEDB_SEEK_CEOID, 0x7FFFFFF0, {}, nullptr, "none 1168", 0 },
        SeekCase { "UnknownSeekType", creation, u"A", 0x200, 0, {}, nullptr, "none 87", 0 }),
    caseName<SeekCase>);

INSTANTIATE_TEST_SUITE_P(Values, SeekTest,
    ::testing::Values(
        // The categories' look-up: the first record of a key, whatever its second value.
        SeekCase { "GreaterThanKeyWithAbsentSecond", unsignedThenSigned, u"D", CEDB_SEEK_VALUEGREATER, 0, { 5, absent }, nullptr, "C", 1 },
        SeekCase { "GreaterThanKey", unsignedThenSigned, u"A", CEDB_SEEK_VALUEGREATER, 0, { 5 }, nullptr, "D", 4 },
        SeekCase { "GreaterThanBothValues", unsignedThenSigned, u"A", CEDB_SEEK_VALUEGREATER, 0, { 5, 2 }, nullptr, "D", 4 },
        SeekCase { "GreaterThanTheLargestUnsigned", unsignedThenSigned, u"A", CEDB_SEEK_VALUEGREATER, 0, { 0x80000001 }, nullptr, "none 1168", 0 },
        SeekCase { "GreaterOrEqual", unsignedThenSigned, u"D", CEDB_SEEK_VALUEGREATEROREQUAL, 0, { 4 }, nullptr, "C", 1 },
        SeekCase { "FirstOfEqualKeys", unsignedThenSigned, u"D", CEDB_SEEK_VALUEFIRSTEQUAL, 0, { 5, 2 }, nullptr, "A", 2 },
        SeekCase { "FirstEqualMissing", unsignedThenSigned, u"D", CEDB_SEEK_VALUEFIRSTEQUAL, 0, { 4 }, nullptr, "none 1168", 0 },
        SeekCase { "NextEqual", unsignedThenSigned, u"A", CEDB_SEEK_VALUENEXTEQUAL, 0, { 5, 2 }, nullptr, "E", 3 },
        SeekCase { "NoNextEqual", unsignedThenSigned, u"E", CEDB_SEEK_VALUENEXTEQUAL, 0, { 5, 2 }, nullptr, "none 1168", 0 },
        SeekCase { "Smaller", unsignedThenSigned, u"D", CEDB_SEEK_VALUESMALLER, 0, { 5, 2 }, nullptr, "C", 1 },
        SeekCase { "NothingSmaller", unsignedThenSigned, u"D", CEDB_SEEK_VALUESMALLER, 0, { 3 }, nullptr, "none 1168", 0 },
        // Descending: "greater" follows the order, to the smaller numbers.
        SeekCase { "GreaterInDescendingOrder", 2, u"B", CEDB_SEEK_VALUEGREATER, 0, { 2 }, nullptr, "C", 3 },
        SeekCase { "FirstEqualInDescendingOrder", 2, u"B", CEDB_SEEK_VALUEFIRSTEQUAL, 0, { 2 }, nullptr, "A", 1 },
        SeekCase { "TextWithoutCase", 1, u"C", CEDB_SEEK_VALUEFIRSTEQUAL, 0, {}, u"ALPHA", "B", 0 },
        SeekCase { "TextWithCase", 3, u"C", CEDB_SEEK_VALUEFIRSTEQUAL, 0, {}, u"ALPHA", "none 1168", 0 },
        SeekCase { "ValueSeekInCreationOrder", creation, u"C", CEDB_SEEK_VALUEFIRSTEQUAL, 0, { 5 }, nullptr, "none 87", 0 },
        SeekCase { "MoreValuesThanSortProperties", 2, u"C", CEDB_SEEK_VALUEFIRSTEQUAL, 0, { 2, 3 }, nullptr, "none 87", 0 }),
    caseName<SeekCase>);

// ---- Changes under a handle

TEST_F(ObjectStoreSeekTest, CurrentRecordIsFollowedThroughChangesByOtherHandles)
{
    std::vector<std::string> seen;
    runProgram([&] {
        SeekDatabase seek;
        const HANDLE reader = seek.open(0);
        const HANDLE writer = seek.open(std::nullopt);
        CeSeekDatabaseEx(reader, CEDB_SEEK_CEOID, seek.id(u"A"), 0, nullptr);
        // A moves to the front of the order: the reader stays on it.
        writeRecord(writer, seek.id(u"A"), { numberValue(key, 1) });
        DWORD index = 99;
        CeSeekDatabaseEx(reader, CEDB_SEEK_CURRENT, 0, 0, &index);
        seen.push_back(seek.current(reader) + " at " + std::to_string(index));
        // A is deleted: the record after it takes its place.
        CeDeleteRecord(writer, seek.id(u"A"));
        seen.push_back(seek.current(reader));
        // A new record takes its place in the order too.
        writeRecord(writer, 0, { numberValue(key, 0), textValue(name, u"F") });
        CeSeekDatabaseEx(reader, CEDB_SEEK_BEGINNING, 0, 0, nullptr);
        CEOID first = 0;
        const auto read = readCurrent(reader, { name }, &first);
        seen.push_back(read.front());
        return 0;
    });
    EXPECT_EQ(seen, (std::vector<std::string> { "A at 0", "B", "0x0004001F \"F\"" }));
}

}
