// What the object store costs the programs: writing 10,000 contacts of 15 properties, each write its
// own commit, and walking them all reading every property, beside the baseline of SQLite used
// directly with the same settings (a table of 15 text columns, one transaction per contact).
#include "platform/api/FileApi.h"
#include "platform/api/WinBase.h"
#include "platform/api/WinDb.h"
#include "bench/BenchDevice.h"
#include "platform/emu/ContactsSchema.h"
#include "platform/emu/DbVolume.h"
#include "platform/emu/Device.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/Process.h"
#include "platform/emu/Text.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int propertiesPerContact = 15;

// The texts of contact `index`: names, company, addresses and numbers, each a little different.
std::vector<std::u16string> contactTexts(long index)
{
    const std::u16string n = emu::fromUtf8(std::to_string(index));
    return { u"Иван" + n, u"Петрович", u"Сидоров" + n, u"ООО Ромашка " + n, u"Инженер", u"ivan" + n + u"@example.ru", u"+7916" + n,
        u"+7495" + n, u"+7499" + n, u"ул. Ленина, " + n, u"Москва", u"101000", u"Россия", u"Ваня" + n, u"http://example.ru/" + n };
}

CEPROPID contactProperty(int i)
{
    return MAKEPROPID(static_cast<WORD>(0x82 + i), CEVT_LPWSTR);
}

HANDLE openContacts(CEGUID& volume)
{
    CeMountDBVol(&volume, emu::ContactsSchema::volumePath, OPEN_EXISTING);
    CEOID database = 0;
    return CeOpenDatabaseEx2(&volume, &database, emu::ContactsSchema::contactsDatabase, nullptr, 0, nullptr);
}

void deviceWriteContacts(benchmark::State& state)
{
    const long count = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchDevice>();
        state.ResumeTiming();
        bench->run([count] {
            CEGUID volume {};
            const HANDLE contacts = openContacts(volume);
            for (long i = 0; i < count; ++i) {
                const auto texts = contactTexts(i);
                CEPROPVAL values[propertiesPerContact] {};
                for (int p = 0; p < propertiesPerContact; ++p) {
                    values[p].propid = contactProperty(p);
                    values[p].val.lpwstr = const_cast<LPWSTR>(texts[static_cast<std::size_t>(p)].c_str());
                }
                if (!CeWriteRecordProps(contacts, 0, propertiesPerContact, values))
                    return 1;
            }
            return 0;
        });
        state.PauseTiming();
        bench.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel("suite: CeWriteRecordProps, a commit each");
}

void deviceWalkContacts(benchmark::State& state)
{
    const long count = state.range(0);
    BenchDevice bench;
    {
        const auto volume = bench.device().objectStore().volume(emu::ContactsSchema::volumePath);
        const CEOID contacts = volume->findDatabase(emu::ContactsSchema::contactsDatabase)->oid;
        volume->beginTransaction();
        for (long i = 0; i < count; ++i) {
            std::vector<emu::StoredProperty> properties;
            const auto texts = contactTexts(i);
            for (int p = 0; p < propertiesPerContact; ++p)
                properties.push_back({ contactProperty(p), texts[static_cast<std::size_t>(p)] });
            volume->writeRecord(contacts, 0, properties);
        }
        volume->commitTransaction();
    }
    long read = 0;
    for (auto _ : state) {
        bench.run([&read] {
            CEGUID volume {};
            const HANDLE contacts = openContacts(volume);
            BYTE* buffer = nullptr;
            DWORD size = 0;
            for (CEOID record = CeSeekDatabaseEx(contacts, CEDB_SEEK_BEGINNING, 0, 0, nullptr); record;
                 record = CeSeekDatabaseEx(contacts, CEDB_SEEK_CURRENT, 1, 0, nullptr)) {
                WORD properties = 0;
                if (CeReadRecordPropsEx(contacts, CEDB_ALLOWREALLOC, &properties, nullptr, &buffer, &size, nullptr))
                    read += properties;
            }
            LocalFree(buffer);
            CloseHandle(contacts);
            CeUnmountDBVol(&volume);
            return 0;
        });
    }
    benchmark::DoNotOptimize(read);
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel("suite: seek and read every property of each record");
}

// The baseline's table in a file of its own, with the object store's settings.
class BaselineTable {
public:
    BaselineTable()
    {
        sqlite3_open((m_folder.path() / "baseline.db").c_str(), &m_db);
        std::string columns;
        for (int p = 0; p < propertiesPerContact; ++p)
            columns += ", p" + std::to_string(p) + " TEXT";
        exec("PRAGMA journal_mode = DELETE; PRAGMA synchronous = OFF; PRAGMA encoding = 'UTF-16le'");
        exec(("CREATE TABLE contacts(id INTEGER PRIMARY KEY" + columns + ")").c_str());
        std::string sql = "INSERT INTO contacts VALUES(NULL";
        for (int p = 0; p < propertiesPerContact; ++p)
            sql += ", ?";
        sqlite3_prepare_v2(m_db, (sql + ")").c_str(), -1, &m_insert, nullptr);
    }
    ~BaselineTable()
    {
        sqlite3_finalize(m_insert);
        sqlite3_close(m_db);
    }

    void insert(long index, bool ownTransaction)
    {
        const auto texts = contactTexts(index);
        if (ownTransaction)
            exec("BEGIN IMMEDIATE");
        for (int p = 0; p < propertiesPerContact; ++p) {
            const auto& text = texts[static_cast<std::size_t>(p)];
            sqlite3_bind_text16(m_insert, p + 1, text.c_str(), static_cast<int>(text.size() * 2), SQLITE_STATIC);
        }
        sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        if (ownTransaction)
            exec("COMMIT");
    }

    long walk()
    {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT * FROM contacts ORDER BY id", -1, &select, nullptr);
        long bytes = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            for (int column = 1; column <= propertiesPerContact; ++column) {
                const std::u16string text(static_cast<const char16_t*>(sqlite3_column_text16(select, column)),
                    static_cast<std::size_t>(sqlite3_column_bytes16(select, column)) / 2);
                bytes += static_cast<long>(text.size());
            }
        }
        sqlite3_finalize(select);
        return bytes;
    }

    void exec(const char* sql) { sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    testing_support::TempFolder m_folder;
    sqlite3* m_db { nullptr };
    sqlite3_stmt* m_insert { nullptr };
};

void sqliteWriteContacts(benchmark::State& state)
{
    const long count = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<BaselineTable>();
        state.ResumeTiming();
        for (long i = 0; i < count; ++i)
            table->insert(i, true);
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel("baseline: SQLite, a transaction each");
}

void sqliteWalkContacts(benchmark::State& state)
{
    const long count = state.range(0);
    BaselineTable table;
    table.exec("BEGIN");
    for (long i = 0; i < count; ++i)
        table.insert(i, false);
    table.exec("COMMIT");
    long bytes = 0;
    for (auto _ : state)
        bytes += table.walk();
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(state.iterations() * count);
    state.SetLabel("baseline: SQLite, one SELECT");
}

}

BENCHMARK(deviceWriteContacts)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(sqliteWriteContacts)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(deviceWalkContacts)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(sqliteWalkContacts)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
