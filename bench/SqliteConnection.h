// SqliteConnection: an in-memory SQLite database for the benchmarks' baselines, with the few calls
// they make on it; every failure throws with SQLite's message.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

class SqliteConnection {
public:
    SqliteConnection() { check(sqlite3_open(":memory:", &m_db)); }
    // The statements prepared on it are finalized by their owner first.
    ~SqliteConnection() { sqlite3_close(m_db); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void check(int result) const
    {
        if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW)
            throw std::runtime_error(std::string("sqlite: ") + (m_db ? sqlite3_errmsg(m_db) : "cannot open"));
    }

    void exec(const char* sql) { check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr)); }

    sqlite3_stmt* prepare(const std::string& sql)
    {
        sqlite3_stmt* statement = nullptr;
        check(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr));
        return statement;
    }

protected:
    sqlite3* m_db { nullptr };
};
