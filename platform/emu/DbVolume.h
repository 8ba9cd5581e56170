// The engine of one object store volume: its databases, records and properties kept in an SQLite file,
// the orders of records it has worked out, the handles open on its databases, and the changes of the
// running transaction, which become notifications once they commit.
//
// Every change commits by itself, unless the driver holds a transaction open around several; a change
// that fails leaves nothing behind. Each commit stamps the file with the virtual time, each stamp at
// least 100 ns after the one before, so that the file's last-write time tells every commit apart.
// Failures come out as DbError.
#pragma once

#include "platform/api/WinDb.h"
#include "platform/emu/RecordOrder.h"
#include "platform/emu/StoredProperty.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace emu {

class DbHandle;
class ObjectStore;
class VirtualClock;

class DbVolume {
public:
    struct Database {
        CEOID oid;
        std::u16string name;
        DWORD type;
        // The last change of the database or its records, in 100 ns since 1601.
        std::int64_t modified;
        std::vector<SORTORDERSPECEX> sortOrders;
        // The properties the database declares, ascending.
        std::vector<CEPROPID> schema;
        // The number the next record gets for an automatically numbered property of a sort order.
        std::int64_t nextAutoNumber;
    };

    // Opens the volume in `file`; with `create`, makes a new empty volume there (the file must not
    // exist yet). A file that is no volume of ours fails with ERROR_FILE_CORRUPT.
    DbVolume(std::filesystem::path file, bool create, const CEGUID&, VirtualClock&, ObjectStore&);
    // Rolls back a transaction the driver left open.
    ~DbVolume();
    DbVolume(const DbVolume&) = delete;
    DbVolume& operator=(const DbVolume&) = delete;

    const CEGUID& guid() const { return m_guid; }
    const std::filesystem::path& file() const { return m_file; }

    // ---- Databases. What these hand out stays valid until the next change of the volume.
    std::vector<const Database*> databases() const;
    const Database* database(CEOID) const;
    // By name, compared without regard to case.
    const Database* findDatabase(std::u16string_view name) const;
    CEOID createDatabase(std::u16string_view name, DWORD type, std::vector<SORTORDERSPECEX> sortOrders, std::vector<CEPROPID> schema);
    // Deletes the database with its records; refused (ERROR_SHARING_VIOLATION) while a handle has it open.
    void deleteDatabase(CEOID);
    DWORD recordCount(CEOID database);
    // The bytes its property values take, roughly: texts and blobs by their size, numbers by 8.
    DWORD dataSize(CEOID database);

    // ---- Records
    std::optional<CEOID> databaseOfRecord(CEOID record);
    // The record's properties, by identifier ascending.
    std::vector<StoredProperty> readRecord(CEOID record);
    // Every record of the database in creation order, with its properties.
    std::vector<StoredRecord> records(CEOID database);
    // Creates a record (`record` 0) or changes one of the database: sets the properties of `set`
    // (each added or replaced) and removes those of `remove`. Returns the record's identifier.
    CEOID writeRecord(CEOID database, CEOID record, std::span<const StoredProperty> set, std::span<const CEPROPID> remove = {});
    void deleteRecord(CEOID database, CEOID record);
    // The records of a database in creation order (no sort index) or in one of its sort orders; worked
    // out once and kept until the database changes.
    std::shared_ptr<const RecordOrder> order(CEOID database, std::optional<std::size_t> sortIndex);

    // ---- Handles open on the volume's databases; they are forgotten once closed.
    void addHandle(const std::shared_ptr<DbHandle>&);
    bool hasOpenHandles(CEOID database);

    // ---- A transaction around several changes (the driver's, or the object model's set-up): they
    // commit together, and only then notify.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inDriverTransaction() const { return m_driverTransaction; }

private:
    struct Statements;

    void openFile(bool create);
    void createTables();
    void loadMetadata();
    Database& requireDatabase(CEOID);
    // Runs `work` as one change: committed at once, or kept in the driver's transaction.
    template <class Work>
    void change(Work work);
    void abandonChange(std::size_t pendingBefore);
    void afterCommit();
    void execute(const char* sql);
    CEOID allocateOid();
    void numberAutomaticProperties(Database&, CEOID record, std::span<const StoredProperty> set);
    void touch(Database&);
    void forgetOrders(CEOID database);
    void stampWriteTime();
    struct RecordChange {
        UINT type;
        CEOID record;
        CEOID database;
    };
    void publish(const std::vector<RecordChange>&);

    std::filesystem::path m_file;
    CEGUID m_guid;
    VirtualClock& m_clock;
    ObjectStore& m_store;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> m_db;
    std::unique_ptr<Statements> m_statements;
    std::map<CEOID, Database> m_databases;
    std::int64_t m_nextOid { 0 };
    std::map<std::pair<CEOID, int>, std::shared_ptr<const RecordOrder>> m_orders;
    std::vector<std::weak_ptr<DbHandle>> m_handles;
    bool m_driverTransaction { false };
    bool m_changedSinceCommit { false };
    std::vector<RecordChange> m_pending;
    // The last stamp given to the file, in 100 ns since 1601.
    std::int64_t m_lastStamp { 0 };
};

}
