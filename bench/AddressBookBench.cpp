// Loading an address book and reading it back as the programs do: importing 10,000 generated vCard
// contacts into the device's contacts (one transaction), and walking the contacts database through
// Vyx's database wrapper reading every property of every record. The baseline does the same work on
// SQLite directly: the same properties inserted as rows of one table in one transaction, then read
// back in record order.
#include "bench/BenchDevice.h"
#include "emulator/AddressBook.h"
#include "emulator/addressbook/AddressBookFile.h"
#include "emulator/addressbook/ContactGenerator.h"
#include "vyx/contacts/PimDatabase.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fstream>

namespace {

constexpr long contactCount = 10000;

// The generated address book, written as a file and read back as `contacts import` reads it.
std::vector<devemu::ImportedContact> generatedBook()
{
    testing_support::TempFolder folder;
    const auto file = folder.path() / "book.vcf";
    {
        std::ofstream out(file, std::ios::binary);
        devemu::ContactGenerator(1).write(out, contactCount);
    }
    devemu::VCardError error;
    return devemu::AddressBookFile::read(file, error).value();
}

void importAddressBook(benchmark::State& state)
{
    const auto book = generatedBook();
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchDevice>();
        state.ResumeTiming();
        devemu::AddressBook(bench->device()).import(book);
        state.PauseTiming();
        bench.reset();
        state.ResumeTiming();
    }
    state.counters["contacts"] = static_cast<double>(book.size());
}
BENCHMARK(importAddressBook)->Unit(benchmark::kMillisecond);

void walkContacts(benchmark::State& state)
{
    BenchDevice bench;
    devemu::AddressBook(bench.device()).import(generatedBook());
    std::size_t properties = 0;
    for (auto _ : state) {
        bench.run([&properties] {
            vyx::PimDatabase contacts;
            contacts.Open(u"Contacts Database", {}, 0, nullptr);
            contacts.SetAutoAdvance(true);
            contacts.SeekFirst();
            CEOID record = 0;
            std::vector<vyx::PropertyValue> values;
            properties = 0;
            while (contacts.ReadProps(nullptr, record, values))
                properties += values.size();
            return 0;
        });
    }
    state.counters["properties"] = static_cast<double>(properties);
}
BENCHMARK(walkContacts)->Unit(benchmark::kMillisecond);

// ---- Baseline: the same properties in one SQLite table.

struct Row {
    long record;
    int property;
    std::u16string text;
};

std::vector<Row> generatedRows()
{
    std::vector<Row> rows;
    long record = 0;
    for (const auto& contact : generatedBook()) {
        ++record;
        for (const auto& [property, text] : contact.texts)
            rows.push_back(Row { record, static_cast<int>(property), text });
        if (!contact.notes.empty())
            rows.push_back(Row { record, 0x1E, contact.notes });
    }
    return rows;
}

// A database in memory holding the rows, inserted in one transaction.
sqlite3* sqliteWith(const std::vector<Row>& rows)
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE props(record INTEGER, property INTEGER, value TEXT); BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO props VALUES(?, ?, ?)", -1, &insert, nullptr);
    for (const Row& row : rows) {
        sqlite3_bind_int64(insert, 1, row.record);
        sqlite3_bind_int(insert, 2, row.property);
        sqlite3_bind_text16(insert, 3, row.text.data(), static_cast<int>(row.text.size() * 2), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return db;
}

void sqliteImport(benchmark::State& state)
{
    const auto rows = generatedRows();
    for (auto _ : state)
        sqlite3_close(sqliteWith(rows));
}
BENCHMARK(sqliteImport)->Unit(benchmark::kMillisecond);

void sqliteWalk(benchmark::State& state)
{
    sqlite3* db = sqliteWith(generatedRows());
    sqlite3_exec(db, "CREATE INDEX by_record ON props(record)", nullptr, nullptr, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT record, property, value FROM props ORDER BY record", -1, &select, nullptr);
        std::size_t bytes = 0;
        while (sqlite3_step(select) == SQLITE_ROW)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes16(select, 2));
        sqlite3_finalize(select);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
}
BENCHMARK(sqliteWalk)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
