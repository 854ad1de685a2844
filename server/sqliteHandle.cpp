#include "sqliteHandle.h"

bool SqliteHandle::open(const std::string &path, int flags, std::string &error)
{
    close();
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (m_db ? sqlite3_errmsg(m_db) : "out of memory");
        close();
        return false;
    }
    return true;
}

void SqliteHandle::close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

SqliteStatement::SqliteStatement(sqlite3 *db, const char *sql)
{
    prepare(db, sql);
}

bool SqliteStatement::prepare(sqlite3 *db, const char *sql)
{
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
    return m_statement != nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement &SqliteStatement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, std::string_view text)
{
    sqlite3_bind_text(m_statement, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
    return *this;
}

bool SqliteStatement::step()
{
    if (!m_statement)
        return false;
    if (sqlite3_step(m_statement) == SQLITE_ROW)
        return true;
    reset();
    return false;
}

bool SqliteStatement::stepDone(std::string &error)
{
    if (!m_statement) {
        error = "statement failed to prepare";
        return false;
    }
    const int result = sqlite3_step(m_statement);
    if (result != SQLITE_DONE && result != SQLITE_ROW) {
        error = sqlite3_errmsg(sqlite3_db_handle(m_statement));
        sqlite3_reset(m_statement);
        return false;
    }
    reset();
    return true;
}

void SqliteStatement::reset()
{
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::string_view SqliteStatement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return data ? std::string_view(data, size_t(sqlite3_column_bytes(m_statement, column)))
                : std::string_view();
}
