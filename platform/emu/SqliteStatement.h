// A prepared SQLite statement of the object store, and one use of it: values bound in order, rows
// stepped through, columns read. A use resets the statement when it ends, so that no read stays open
// between the device's calls. SQLite's failures come out as DbError, told with the statement.
#pragma once

#include "platform/api/WinTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace emu {

class SqliteStatement {
public:
    SqliteStatement(sqlite3*, std::string sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    class Use {
    public:
        explicit Use(SqliteStatement&);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

        Use& bind(std::int64_t);
        Use& bind(double);
        Use& bind(std::u16string_view);
        Use& bind(std::span<const BYTE>);
        // Steps to the next row; false when there is none left.
        bool next();
        // Runs a statement that gives no rows.
        void run();

        bool isNull(int column) const;
        std::int64_t integer(int column) const;
        double real(int column) const;
        std::u16string text(int column) const;
        std::vector<BYTE> bytes(int column) const;

    private:
        SqliteStatement& m_statement;
        int m_nextParameter { 1 };
    };

    Use use() { return Use(*this); }

private:
    [[noreturn]] void fail(int result) const;

    sqlite3* m_db;
    sqlite3_stmt* m_statement { nullptr };
    std::string m_sql;
};

// Describes the SQLite failure `result` on `db` as a DbError from the volume file.
[[noreturn]] void throwSqliteError(sqlite3* db, int result, const std::string& doing);

}
