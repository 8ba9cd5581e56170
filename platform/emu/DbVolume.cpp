#include "platform/emu/DbVolume.h"

#include "platform/emu/DbError.h"
#include "platform/emu/DbHandle.h"
#include "platform/emu/ObjectStore.h"
#include "platform/emu/SqliteStatement.h"
#include "platform/emu/Text.h"
#include "platform/emu/VirtualClock.h"

#include <algorithm>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace emu {

namespace {

// The file's SQLite header says whose it is and which layout it has.
constexpr std::int64_t volumeApplicationId = 0x4B50494D; // "KPIM"
constexpr std::int64_t volumeFormat = 1;
// Identifiers of databases and records come from one counter and are never given twice.
constexpr std::int64_t firstOid = 0x10001;
constexpr std::int64_t lastOid = 0xFFFFFFFF;

constexpr const char* tables = R"(
CREATE TABLE counters(name TEXT PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE databases(oid INTEGER PRIMARY KEY, name TEXT NOT NULL, type INTEGER NOT NULL, modified INTEGER NOT NULL,
                       next_auto INTEGER NOT NULL);
CREATE TABLE sort_orders(db INTEGER NOT NULL, position INTEGER NOT NULL, key_flags INTEGER NOT NULL, prop_count INTEGER NOT NULL,
                         prop1 INTEGER NOT NULL, flags1 INTEGER NOT NULL, prop2 INTEGER NOT NULL, flags2 INTEGER NOT NULL,
                         prop3 INTEGER NOT NULL, flags3 INTEGER NOT NULL, PRIMARY KEY(db, position));
CREATE TABLE schema_props(db INTEGER NOT NULL, propid INTEGER NOT NULL, PRIMARY KEY(db, propid)) WITHOUT ROWID;
CREATE TABLE records(oid INTEGER PRIMARY KEY, db INTEGER NOT NULL);
CREATE INDEX records_by_db ON records(db, oid);
CREATE TABLE props(record INTEGER NOT NULL, propid INTEGER NOT NULL, value, PRIMARY KEY(record, propid)) WITHOUT ROWID;
)";

std::int64_t ticksOf(WallMs wall)
{
    return wall * 10'000;
}

StoredProperty::Value columnValue(const SqliteStatement::Use& row, int column, WORD type)
{
    switch (type) {
    case CEVT_LPWSTR:
        return row.text(column);
    case CEVT_BLOB:
    case CEVT_STREAM:
        return row.bytes(column);
    case CEVT_R8:
        return row.real(column);
    default:
        return row.integer(column);
    }
}

void bindValue(SqliteStatement::Use& use, const StoredProperty::Value& value)
{
    std::visit([&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::vector<BYTE>>)
            use.bind(std::span<const BYTE>(v));
        else if constexpr (std::is_same_v<T, std::u16string>)
            use.bind(std::u16string_view(v));
        else
            use.bind(v);
    }, value);
}

}

struct DbVolume::Statements {
    explicit Statements(sqlite3* db)
        : insertRecord(db, "INSERT INTO records(oid, db) VALUES(?, ?)")
        , recordDatabase(db, "SELECT db FROM records WHERE oid = ?")
        , deleteRecord(db, "DELETE FROM records WHERE oid = ?")
        , deleteRecordProps(db, "DELETE FROM props WHERE record = ?")
        , setProp(db, "INSERT OR REPLACE INTO props(record, propid, value) VALUES(?, ?, ?)")
        , deleteProp(db, "DELETE FROM props WHERE record = ? AND propid = ?")
        , readProps(db, "SELECT propid, value FROM props WHERE record = ?")
        , recordIds(db, "SELECT oid FROM records WHERE db = ? ORDER BY oid")
        , sortValues(db, "SELECT r.oid, p.propid, p.value FROM records r LEFT JOIN props p ON p.record = r.oid AND p.propid IN (?, ?, ?) "
                         "WHERE r.db = ? ORDER BY r.oid")
        , databaseRecords(db, "SELECT r.oid, p.propid, p.value FROM records r LEFT JOIN props p ON p.record = r.oid "
                              "WHERE r.db = ? ORDER BY r.oid, p.propid")
        , countRecords(db, "SELECT COUNT(*) FROM records WHERE db = ?")
        , dataSize(db, "SELECT TOTAL(CASE typeof(p.value) WHEN 'text' THEN length(CAST(p.value AS BLOB)) WHEN 'blob' THEN length(p.value) "
                       "ELSE 8 END) FROM records r JOIN props p ON p.record = r.oid WHERE r.db = ?")
        , setNextOid(db, "UPDATE counters SET value = ? WHERE name = 'next_oid'")
        , touchDatabase(db, "UPDATE databases SET modified = ? WHERE oid = ?")
        , setNextAuto(db, "UPDATE databases SET next_auto = ? WHERE oid = ?")
    {
    }

    SqliteStatement insertRecord;
    SqliteStatement recordDatabase;
    SqliteStatement deleteRecord;
    SqliteStatement deleteRecordProps;
    SqliteStatement setProp;
    SqliteStatement deleteProp;
    SqliteStatement readProps;
    SqliteStatement recordIds;
    SqliteStatement sortValues;
    SqliteStatement databaseRecords;
    SqliteStatement countRecords;
    SqliteStatement dataSize;
    SqliteStatement setNextOid;
    SqliteStatement touchDatabase;
    SqliteStatement setNextAuto;
};

DbVolume::DbVolume(std::filesystem::path file, bool create, const CEGUID& guid, VirtualClock& clock, ObjectStore& store)
    : m_file(std::move(file))
    , m_guid(guid)
    , m_clock(clock)
    , m_store(store)
    , m_db(nullptr, sqlite3_close_v2)
{
    openFile(create);
    m_statements = std::make_unique<Statements>(m_db.get());
    loadMetadata();
}

DbVolume::~DbVolume()
{
    if (m_driverTransaction)
        sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    // The statements go before the connection they belong to.
    m_statements.reset();
}

template <class Work>
void DbVolume::change(Work work)
{
    const std::size_t pendingBefore = m_pending.size();
    execute("SAVEPOINT change");
    try {
        work();
        // Outside the driver's transaction this commits.
        execute("RELEASE change");
    } catch (...) {
        abandonChange(pendingBefore);
        throw;
    }
    m_changedSinceCommit = true;
    if (!m_driverTransaction)
        afterCommit();
}

void DbVolume::openFile(bool create)
{
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int opened = sqlite3_open_v2(m_file.c_str(), &db, flags, nullptr);
    m_db.reset(db);
    if (opened != SQLITE_OK)
        throwSqliteError(m_db.get(), opened, "opening the volume");
    // Every commit writes its rollback journal, which exists only while it commits, and the volume
    // file in order. The host's caches are not flushed to the disk at each commit: that would make a
    // commit cost milliseconds, and the emulator's process ending at any point still leaves the file
    // whole. WAL is not used, since its files would stay beside the volume.
    execute("PRAGMA journal_mode = DELETE");
    execute("PRAGMA synchronous = OFF");
    if (create) {
        createTables();
        stampWriteTime();
        return;
    }
    // Later commits stamp times after the one the file has.
    if (struct stat status {}; ::stat(m_file.c_str(), &status) == 0) {
        const FILETIME written = fileTimeFromUnix({ status.st_mtim.tv_sec, status.st_mtim.tv_nsec });
        m_lastStamp = static_cast<std::int64_t>((static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
    }
    SqliteStatement applicationId(m_db.get(), "PRAGMA application_id");
    SqliteStatement userVersion(m_db.get(), "PRAGMA user_version");
    auto idRow = applicationId.use();
    auto versionRow = userVersion.use();
    if (!idRow.next() || idRow.integer(0) != volumeApplicationId || !versionRow.next() || versionRow.integer(0) != volumeFormat)
        throw DbError(ERROR_FILE_CORRUPT, m_file.string() + ": not an object store volume", DbError::Source::Storage);
}

void DbVolume::createTables()
{
    // The texts are kept as the device has them, UTF-16, whatever units they hold.
    execute("PRAGMA encoding = 'UTF-16le'");
    execute("BEGIN IMMEDIATE");
    try {
        execute(("PRAGMA application_id = " + std::to_string(volumeApplicationId)).c_str());
        execute(("PRAGMA user_version = " + std::to_string(volumeFormat)).c_str());
        execute(tables);
        execute(("INSERT INTO counters(name, value) VALUES('next_oid', " + std::to_string(firstOid) + ")").c_str());
        execute("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void DbVolume::execute(const char* sql)
{
    char* message = nullptr;
    const int result = sqlite3_exec(m_db.get(), sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (result != SQLITE_OK)
        throwSqliteError(m_db.get(), result, sql);
}

void DbVolume::loadMetadata()
{
    std::map<CEOID, Database> databases;
    const auto corrupt = [&](const std::string& what) {
        return DbError(ERROR_FILE_CORRUPT, m_file.string() + ": " + what, DbError::Source::Storage);
    };
    {
        SqliteStatement query(m_db.get(), "SELECT oid, name, type, modified, next_auto FROM databases ORDER BY oid");
        for (auto row = query.use(); row.next();) {
            const auto oid = static_cast<CEOID>(row.integer(0));
            databases.emplace(oid, Database { oid, row.text(1), static_cast<DWORD>(row.integer(2)), row.integer(3), {}, {}, row.integer(4) });
        }
    }
    {
        SqliteStatement query(m_db.get(), "SELECT db, position, key_flags, prop_count, prop1, flags1, prop2, flags2, prop3, flags3 "
                                          "FROM sort_orders ORDER BY db, position");
        for (auto row = query.use(); row.next();) {
            const auto found = databases.find(static_cast<CEOID>(row.integer(0)));
            const std::int64_t propCount = row.integer(3);
            if (found == databases.end() || row.integer(1) != static_cast<std::int64_t>(found->second.sortOrders.size())
                || found->second.sortOrders.size() >= CEDB_MAXSORTORDER || propCount < 1 || propCount > CEDB_MAXSORTPROP)
                throw corrupt("a sort order does not fit its database");
            SORTORDERSPECEX sort {};
            sort.wVersion = SORTORDERSPECEX_VERSION;
            sort.wNumProps = static_cast<WORD>(propCount);
            sort.wKeyFlags = static_cast<WORD>(row.integer(2));
            for (int i = 0; i < CEDB_MAXSORTPROP; ++i) {
                sort.rgPropID[i] = static_cast<CEPROPID>(row.integer(4 + 2 * i));
                sort.rgdwFlags[i] = static_cast<DWORD>(row.integer(5 + 2 * i));
            }
            found->second.sortOrders.push_back(sort);
        }
    }
    {
        SqliteStatement query(m_db.get(), "SELECT db, propid FROM schema_props ORDER BY db, propid");
        for (auto row = query.use(); row.next();) {
            const auto found = databases.find(static_cast<CEOID>(row.integer(0)));
            if (found == databases.end())
                throw corrupt("a declared property belongs to no database");
            found->second.schema.push_back(static_cast<CEPROPID>(row.integer(1)));
        }
    }
    SqliteStatement counter(m_db.get(), "SELECT value FROM counters WHERE name = 'next_oid'");
    auto row = counter.use();
    if (!row.next())
        throw corrupt("the identifier counter is missing");
    m_nextOid = row.integer(0);
    m_databases = std::move(databases);
    m_orders.clear();
}

// ---- Databases

std::vector<const DbVolume::Database*> DbVolume::databases() const
{
    std::vector<const Database*> all;
    for (const auto& [oid, database] : m_databases)
        all.push_back(&database);
    return all;
}

const DbVolume::Database* DbVolume::database(CEOID oid) const
{
    const auto found = m_databases.find(oid);
    return found == m_databases.end() ? nullptr : &found->second;
}

const DbVolume::Database* DbVolume::findDatabase(std::u16string_view name) const
{
    for (const auto& [oid, database] : m_databases) {
        if (equalsIgnoringCase(database.name, name))
            return &database;
    }
    return nullptr;
}

DbVolume::Database& DbVolume::requireDatabase(CEOID oid)
{
    const auto found = m_databases.find(oid);
    if (found == m_databases.end())
        throw DbError(ERROR_NOT_FOUND, "no database " + hexText(oid) + " in " + m_file.string());
    return found->second;
}

CEOID DbVolume::createDatabase(std::u16string_view name, DWORD type, std::vector<SORTORDERSPECEX> sortOrders, std::vector<CEPROPID> schema)
{
    if (name.empty() || name.size() >= CEDB_MAXDBASENAMELEN || name.find(u'\0') != std::u16string_view::npos)
        throw DbError(ERROR_INVALID_PARAMETER, "a database name has 1 to 31 characters");
    if (findDatabase(name))
        throw DbError(ERROR_DUP_NAME, "a database named " + toUtf8(name) + " exists already");
    if (sortOrders.size() > CEDB_MAXSORTORDER)
        throw DbError(ERROR_INVALID_PARAMETER, "a database has at most 4 sort orders");
    constexpr DWORD knownSortFlags = CEDB_SORT_DESCENDING | CEDB_SORT_CASEINSENSITIVE | CEDB_SORT_UNKNOWNFIRST;
    for (const SORTORDERSPECEX& sort : sortOrders) {
        bool valid = sort.wVersion == SORTORDERSPECEX_VERSION && sort.wNumProps >= 1 && sort.wNumProps <= CEDB_MAXSORTPROP;
        for (int i = 0; valid && i < sort.wNumProps; ++i)
            valid = isStorableType(TypeFromPropID(sort.rgPropID[i])) && (sort.rgdwFlags[i] & ~knownSortFlags) == 0;
        if (!valid)
            throw DbError(ERROR_INVALID_PARAMETER, "a sort order is version 2 with 1 to 3 properties of known types and flags");
    }
    std::sort(schema.begin(), schema.end());
    schema.erase(std::unique(schema.begin(), schema.end()), schema.end());
    if (std::any_of(schema.begin(), schema.end(), [](CEPROPID id) { return !isStorableType(TypeFromPropID(id)); }))
        throw DbError(ERROR_INVALID_PARAMETER, "a declared property has a type the store does not keep");

    CEOID oid = 0;
    change([&] {
        oid = allocateOid();
        const std::int64_t now = ticksOf(m_clock.systemNow());
        SqliteStatement insert(m_db.get(), "INSERT INTO databases(oid, name, type, modified, next_auto) VALUES(?, ?, ?, ?, 1)");
        insert.use().bind(std::int64_t { oid }).bind(name).bind(std::int64_t { type }).bind(now).run();
        SqliteStatement insertSort(m_db.get(), "INSERT INTO sort_orders VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (std::size_t position = 0; position < sortOrders.size(); ++position) {
            SORTORDERSPECEX& sort = sortOrders[position];
            // Properties past the count are not part of the order.
            for (int i = sort.wNumProps; i < CEDB_MAXSORTPROP; ++i) {
                sort.rgPropID[i] = 0;
                sort.rgdwFlags[i] = 0;
            }
            auto use = insertSort.use();
            use.bind(std::int64_t { oid }).bind(static_cast<std::int64_t>(position)).bind(std::int64_t { sort.wKeyFlags }).bind(std::int64_t { sort.wNumProps });
            for (int i = 0; i < CEDB_MAXSORTPROP; ++i)
                use.bind(std::int64_t { sort.rgPropID[i] }).bind(std::int64_t { sort.rgdwFlags[i] });
            use.run();
        }
        SqliteStatement insertSchema(m_db.get(), "INSERT INTO schema_props(db, propid) VALUES(?, ?)");
        for (const CEPROPID id : schema)
            insertSchema.use().bind(std::int64_t { oid }).bind(std::int64_t { id }).run();
        m_databases.emplace(oid, Database { oid, std::u16string(name), type, now, std::move(sortOrders), std::move(schema), 1 });
    });
    return oid;
}

void DbVolume::deleteDatabase(CEOID oid)
{
    requireDatabase(oid);
    if (hasOpenHandles(oid))
        throw DbError(ERROR_SHARING_VIOLATION, "database " + hexText(oid) + " is open");
    change([&] {
        for (const char* sql : { "DELETE FROM props WHERE record IN (SELECT oid FROM records WHERE db = ?)", "DELETE FROM records WHERE db = ?",
                 "DELETE FROM sort_orders WHERE db = ?", "DELETE FROM schema_props WHERE db = ?", "DELETE FROM databases WHERE oid = ?" }) {
            SqliteStatement statement(m_db.get(), sql);
            statement.use().bind(std::int64_t { oid }).run();
        }
        m_databases.erase(oid);
        forgetOrders(oid);
    });
}

DWORD DbVolume::recordCount(CEOID database)
{
    auto row = m_statements->countRecords.use();
    row.bind(std::int64_t { database }).next();
    return static_cast<DWORD>(row.integer(0));
}

DWORD DbVolume::dataSize(CEOID database)
{
    auto row = m_statements->dataSize.use();
    row.bind(std::int64_t { database }).next();
    return static_cast<DWORD>(std::min<double>(row.real(0), 0xFFFFFFFF));
}

// ---- Records

std::optional<CEOID> DbVolume::databaseOfRecord(CEOID record)
{
    auto row = m_statements->recordDatabase.use();
    if (!row.bind(std::int64_t { record }).next())
        return std::nullopt;
    return static_cast<CEOID>(row.integer(0));
}

std::vector<StoredProperty> DbVolume::readRecord(CEOID record)
{
    std::vector<StoredProperty> properties;
    auto row = m_statements->readProps.use();
    row.bind(std::int64_t { record });
    while (row.next()) {
        const auto id = static_cast<CEPROPID>(row.integer(0));
        // A property of a type the store does not keep can only come from a damaged file.
        if (isStorableType(TypeFromPropID(id)))
            properties.push_back(StoredProperty { id, columnValue(row, 1, TypeFromPropID(id)) });
    }
    return properties;
}

std::vector<StoredRecord> DbVolume::records(CEOID database)
{
    requireDatabase(database);
    std::vector<StoredRecord> all;
    auto row = m_statements->databaseRecords.use();
    row.bind(std::int64_t { database });
    while (row.next()) {
        const auto oid = static_cast<CEOID>(row.integer(0));
        if (all.empty() || all.back().oid != oid)
            all.push_back(StoredRecord { oid, {} });
        if (row.isNull(1))
            continue;
        const auto id = static_cast<CEPROPID>(row.integer(1));
        if (isStorableType(TypeFromPropID(id)))
            all.back().properties.push_back(StoredProperty { id, columnValue(row, 2, TypeFromPropID(id)) });
    }
    return all;
}

CEOID DbVolume::writeRecord(CEOID databaseId, CEOID record, std::span<const StoredProperty> set, std::span<const CEPROPID> remove)
{
    Database& database = requireDatabase(databaseId);
    for (const StoredProperty& property : set) {
        if (!hasValueOfItsType(property))
            throw DbError(ERROR_INVALID_PARAMETER, "property " + hexText(property.id) + " has no value of its type");
    }
    if (record != 0 && databaseOfRecord(record) != databaseId)
        throw DbError(ERROR_NOT_FOUND, "no record " + hexText(record) + " in database " + hexText(databaseId));
    CEOID written = record;
    change([&] {
        if (record == 0) {
            written = allocateOid();
            m_statements->insertRecord.use().bind(std::int64_t { written }).bind(std::int64_t { databaseId }).run();
        }
        for (const StoredProperty& property : set) {
            auto use = m_statements->setProp.use();
            use.bind(std::int64_t { written }).bind(std::int64_t { property.id });
            bindValue(use, property.value);
            use.run();
        }
        for (const CEPROPID id : remove)
            m_statements->deleteProp.use().bind(std::int64_t { written }).bind(std::int64_t { id }).run();
        numberAutomaticProperties(database, record == 0 ? written : 0, set);
        touch(database);
        m_pending.push_back(RecordChange { record == 0 ? DB_CEOID_CREATED : DB_CEOID_CHANGED, written, databaseId });
    });
    return written;
}

void DbVolume::deleteRecord(CEOID databaseId, CEOID record)
{
    Database& database = requireDatabase(databaseId);
    if (databaseOfRecord(record) != databaseId)
        throw DbError(ERROR_NOT_FOUND, "no record " + hexText(record) + " in database " + hexText(databaseId));
    change([&] {
        m_statements->deleteRecordProps.use().bind(std::int64_t { record }).run();
        m_statements->deleteRecord.use().bind(std::int64_t { record }).run();
        touch(database);
        m_pending.push_back(RecordChange { DB_CEOID_RECORD_DELETED, record, databaseId });
    });
}

void DbVolume::numberAutomaticProperties(Database& database, CEOID createdRecord, std::span<const StoredProperty> set)
{
    std::int64_t next = database.nextAutoNumber;
    // A number written by hand moves the count past it, so that later records get numbers of their own.
    for (const StoredProperty& property : set) {
        if (TypeFromPropID(property.id) == CEVT_AUTO_I4)
            next = std::max(next, std::get<std::int64_t>(property.value) + 1);
    }
    if (createdRecord != 0) {
        std::vector<CEPROPID> numbered;
        for (const SORTORDERSPECEX& sort : database.sortOrders) {
            for (int i = 0; i < sort.wNumProps; ++i) {
                const CEPROPID id = sort.rgPropID[i];
                const bool given = std::any_of(set.begin(), set.end(), [&](const StoredProperty& p) { return p.id == id; });
                if (TypeFromPropID(id) != CEVT_AUTO_I4 || given || std::find(numbered.begin(), numbered.end(), id) != numbered.end())
                    continue;
                numbered.push_back(id);
                m_statements->setProp.use().bind(std::int64_t { createdRecord }).bind(std::int64_t { id }).bind(next++).run();
            }
        }
    }
    if (next != database.nextAutoNumber) {
        m_statements->setNextAuto.use().bind(next).bind(std::int64_t { database.oid }).run();
        database.nextAutoNumber = next;
    }
}

void DbVolume::touch(Database& database)
{
    database.modified = ticksOf(m_clock.systemNow());
    m_statements->touchDatabase.use().bind(database.modified).bind(std::int64_t { database.oid }).run();
    forgetOrders(database.oid);
}

CEOID DbVolume::allocateOid()
{
    if (m_nextOid > lastOid)
        throw DbError(ERROR_DISK_FULL, m_file.string() + ": every object identifier has been given out", DbError::Source::Storage);
    const auto oid = static_cast<CEOID>(m_nextOid);
    m_statements->setNextOid.use().bind(m_nextOid + 1).run();
    ++m_nextOid;
    return oid;
}

std::shared_ptr<const RecordOrder> DbVolume::order(CEOID databaseId, std::optional<std::size_t> sortIndex)
{
    const Database& database = requireDatabase(databaseId);
    const std::pair<CEOID, int> key { databaseId, sortIndex ? static_cast<int>(*sortIndex) : -1 };
    if (const auto cached = m_orders.find(key); cached != m_orders.end())
        return cached->second;

    std::shared_ptr<const RecordOrder> order;
    if (!sortIndex) {
        std::vector<CEOID> ids;
        auto row = m_statements->recordIds.use();
        row.bind(std::int64_t { databaseId });
        while (row.next())
            ids.push_back(static_cast<CEOID>(row.integer(0)));
        order = std::make_shared<const RecordOrder>(std::move(ids));
    } else {
        const SORTORDERSPECEX& sort = database.sortOrders.at(*sortIndex);
        std::vector<std::pair<CEOID, SortKey>> keys;
        auto row = m_statements->sortValues.use();
        for (int i = 0; i < CEDB_MAXSORTPROP; ++i)
            row.bind(std::int64_t { i < sort.wNumProps ? sort.rgPropID[i] : 0 });
        row.bind(std::int64_t { databaseId });
        while (row.next()) {
            const auto oid = static_cast<CEOID>(row.integer(0));
            if (keys.empty() || keys.back().first != oid)
                keys.emplace_back(oid, SortKey(sort.wNumProps, RecordOrder::keyValue(sort, 0, nullptr)));
            if (row.isNull(1))
                continue;
            const auto id = static_cast<CEPROPID>(row.integer(1));
            const StoredProperty::Value value = columnValue(row, 2, TypeFromPropID(id));
            for (std::size_t i = 0; i < sort.wNumProps; ++i) {
                if (sort.rgPropID[i] == id)
                    keys.back().second[i] = RecordOrder::keyValue(sort, i, &value);
            }
        }
        order = std::make_shared<const RecordOrder>(sort, std::move(keys));
    }
    m_orders.emplace(key, order);
    return order;
}

void DbVolume::forgetOrders(CEOID database)
{
    m_orders.erase(m_orders.lower_bound({ database, -1 }), m_orders.upper_bound({ database, CEDB_MAXSORTORDER }));
}

// ---- Handles

void DbVolume::addHandle(const std::shared_ptr<DbHandle>& handle)
{
    std::erase_if(m_handles, [](const auto& h) { return h.expired(); });
    m_handles.push_back(handle);
}

bool DbVolume::hasOpenHandles(CEOID database)
{
    std::erase_if(m_handles, [](const auto& h) { return h.expired(); });
    return std::any_of(m_handles.begin(), m_handles.end(), [&](const auto& h) { return h.lock()->database() == database; });
}

// ---- Transactions

void DbVolume::abandonChange(std::size_t pendingBefore)
{
    sqlite3* db = m_db.get();
    if (!sqlite3_get_autocommit(db)) {
        sqlite3_exec(db, "ROLLBACK TO change", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE change", nullptr, nullptr, nullptr);
    }
    // SQLite rolls a whole transaction back on some failures (a full disk): the driver's is gone then.
    if (sqlite3_get_autocommit(db)) {
        m_driverTransaction = false;
        pendingBefore = 0;
    }
    m_pending.resize(std::min(pendingBefore, m_pending.size()));
    loadMetadata();
}

void DbVolume::afterCommit()
{
    if (m_changedSinceCommit)
        stampWriteTime();
    m_changedSinceCommit = false;
    publish(std::exchange(m_pending, {}));
}

void DbVolume::beginTransaction()
{
    if (m_driverTransaction)
        throw DbError(ERROR_BUSY, m_file.string() + ": a transaction is open already");
    execute("BEGIN IMMEDIATE");
    m_driverTransaction = true;
}

void DbVolume::commitTransaction()
{
    if (!m_driverTransaction)
        throw DbError(ERROR_INVALID_PARAMETER, m_file.string() + ": no transaction is open");
    try {
        execute("COMMIT");
    } catch (...) {
        rollbackTransaction();
        throw;
    }
    m_driverTransaction = false;
    afterCommit();
}

void DbVolume::rollbackTransaction()
{
    if (!m_driverTransaction)
        throw DbError(ERROR_INVALID_PARAMETER, m_file.string() + ": no transaction is open");
    sqlite3_exec(m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    m_driverTransaction = false;
    m_changedSinceCommit = false;
    m_pending.clear();
    loadMetadata();
}

void DbVolume::stampWriteTime()
{
    m_lastStamp = std::max(ticksOf(m_clock.systemNow()), m_lastStamp + 1);
    const auto bits = static_cast<std::uint64_t>(m_lastStamp);
    const UnixTime time = unixTimeFromFileTime(FILETIME { static_cast<DWORD>(bits & 0xFFFFFFFF), static_cast<DWORD>(bits >> 32) });
    const struct timespec times[2] = { { time.seconds, time.nanoseconds }, { time.seconds, time.nanoseconds } };
    utimensat(AT_FDCWD, m_file.c_str(), times, 0);
}

void DbVolume::publish(const std::vector<RecordChange>& changes)
{
    if (changes.empty())
        return;
    std::erase_if(m_handles, [](const auto& h) { return h.expired(); });
    for (const RecordChange& change : changes) {
        for (const auto& weak : m_handles) {
            const auto handle = weak.lock();
            if (handle->database() == change.database && handle->request())
                m_store.deliver(*handle->request(), CENOTIFICATION { sizeof(CENOTIFICATION), handle->request()->dwParam, change.type, m_guid,
                    change.record, change.database });
        }
    }
}

}
