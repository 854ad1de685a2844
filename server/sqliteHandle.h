#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

// Thin owners of a connection and a prepared statement; every value goes in through a bind.
class SqliteHandle
{
public:
    SqliteHandle() = default;
    ~SqliteHandle() { close(); }
    SqliteHandle(const SqliteHandle &) = delete;
    SqliteHandle &operator=(const SqliteHandle &) = delete;

    bool open(const std::string &path, int flags, std::string &error);
    void close();
    operator sqlite3 *() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3 *db, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Replaces any earlier statement; false when the text does not prepare.
    bool prepare(sqlite3 *db, const char *sql);
    bool valid() const { return m_statement != nullptr; }
    SqliteStatement &bind(int index, std::int64_t value);
    SqliteStatement &bind(int index, int value) { return bind(index, std::int64_t(value)); }
    SqliteStatement &bind(int index, long long value) { return bind(index, std::int64_t(value)); }
    SqliteStatement &bind(int index, std::string_view text);
    SqliteStatement &bind(int index, const char *text) { return bind(index, std::string_view(text)); }
    SqliteStatement &bind(int index, const std::string &text) { return bind(index, std::string_view(text)); }
    // True while there is a row; resets itself when done or failed.
    bool step();
    // For statements without rows: true on success, error set otherwise.
    bool stepDone(std::string &error);
    void reset();

    std::int64_t integer(int column) const;
    std::string_view text(int column) const;

private:
    sqlite3_stmt *m_statement = nullptr;
};
