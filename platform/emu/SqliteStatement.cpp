#include "platform/emu/SqliteStatement.h"

#include "platform/emu/DbError.h"

#include <sqlite3.h>

namespace emu {

namespace {

// The device's error for an SQLite result.
DWORD deviceErrorOf(int result)
{
    switch (result & 0xFF) {
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_FILE_CORRUPT;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_SHARING_VIOLATION;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_WRITE_FAULT;
    }
}

}

void throwSqliteError(sqlite3* db, int result, const std::string& doing)
{
    const std::string file = db && sqlite3_db_filename(db, "main") ? sqlite3_db_filename(db, "main") : "";
    throw DbError(deviceErrorOf(result), file + ": " + doing + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(result)),
        DbError::Source::Storage);
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string sql)
    : m_db(db)
    , m_sql(std::move(sql))
{
    const int result = sqlite3_prepare_v3(m_db, m_sql.c_str(), static_cast<int>(m_sql.size()), SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    if (result != SQLITE_OK)
        fail(result);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::fail(int result) const
{
    throwSqliteError(m_db, result, m_sql);
}

SqliteStatement::Use::Use(SqliteStatement& statement)
    : m_statement(statement)
{
    sqlite3_reset(m_statement.m_statement);
    sqlite3_clear_bindings(m_statement.m_statement);
}

SqliteStatement::Use::~Use()
{
    sqlite3_reset(m_statement.m_statement);
}

SqliteStatement::Use& SqliteStatement::Use::bind(std::int64_t value)
{
    if (const int result = sqlite3_bind_int64(m_statement.m_statement, m_nextParameter++, value); result != SQLITE_OK)
        m_statement.fail(result);
    return *this;
}

SqliteStatement::Use& SqliteStatement::Use::bind(double value)
{
    if (const int result = sqlite3_bind_double(m_statement.m_statement, m_nextParameter++, value); result != SQLITE_OK)
        m_statement.fail(result);
    return *this;
}

SqliteStatement::Use& SqliteStatement::Use::bind(std::u16string_view text)
{
    // An empty text is bound from a real address: a null one would bind NULL.
    static constexpr char16_t empty[] = u"";
    const void* data = text.empty() ? empty : text.data();
    const int result = sqlite3_bind_text16(m_statement.m_statement, m_nextParameter++, data,
        static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    if (result != SQLITE_OK)
        m_statement.fail(result);
    return *this;
}

SqliteStatement::Use& SqliteStatement::Use::bind(std::span<const BYTE> bytes)
{
    const int parameter = m_nextParameter++;
    // A blob of no bytes from a null address would bind NULL.
    const int result = bytes.empty() ? sqlite3_bind_zeroblob(m_statement.m_statement, parameter, 0)
                                     : sqlite3_bind_blob(m_statement.m_statement, parameter, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    if (result != SQLITE_OK)
        m_statement.fail(result);
    return *this;
}

bool SqliteStatement::Use::next()
{
    const int result = sqlite3_step(m_statement.m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    m_statement.fail(result);
}

void SqliteStatement::Use::run()
{
    while (next()) {
    }
}

bool SqliteStatement::Use::isNull(int column) const
{
    return sqlite3_column_type(m_statement.m_statement, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::Use::integer(int column) const
{
    return sqlite3_column_int64(m_statement.m_statement, column);
}

double SqliteStatement::Use::real(int column) const
{
    return sqlite3_column_double(m_statement.m_statement, column);
}

std::u16string SqliteStatement::Use::text(int column) const
{
    const auto* data = static_cast<const char16_t*>(sqlite3_column_text16(m_statement.m_statement, column));
    const int bytes = sqlite3_column_bytes16(m_statement.m_statement, column);
    return data ? std::u16string(data, static_cast<std::size_t>(bytes) / sizeof(char16_t)) : std::u16string();
}

std::vector<BYTE> SqliteStatement::Use::bytes(int column) const
{
    const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(m_statement.m_statement, column));
    const int size = sqlite3_column_bytes(m_statement.m_statement, column);
    return data ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>();
}

}
