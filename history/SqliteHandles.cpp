#include "history/SqliteHandles.h"

#include <sqlite3.h>

#include <utility>

namespace gnsslog {

SqliteConnection::~SqliteConnection()
{
    // Statements are finalised before their connection goes.
    sqlite3_close_v2(db_);
}

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : db_(std::exchange(other.db_, nullptr))
{
}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept
{
    if (this != &other) {
        sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

std::string SqliteConnection::open(const std::string& path, bool create, int busyMilliseconds)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return message;
    }
    sqlite3_close_v2(db_);
    db_ = db;
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyMilliseconds);
    return {};
}

std::string SqliteConnection::execute(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) {
        return {};
    }
    std::string text = message != nullptr ? message : lastError();
    sqlite3_free(message);
    return text.empty() ? "unknown SQLite error" : text;
}

std::optional<std::int64_t> SqliteConnection::queryInt(const char* sql)
{
    SqliteStatement statement(*this, sql);
    if (!statement.prepared() || !statement.step()) {
        return std::nullopt;
    }
    return statement.integer(0);
}

std::string SqliteConnection::lastError() const
{
    return db_ != nullptr ? sqlite3_errmsg(db_) : "no database open";
}

std::int64_t SqliteConnection::lastInsertId() const noexcept
{
    return sqlite3_last_insert_rowid(db_);
}

SqliteStatement::SqliteStatement(SqliteConnection& connection, const char* sql)
{
    if (sqlite3_prepare_v2(connection.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }

void SqliteStatement::bind(int index, double value) { sqlite3_bind_double(stmt_, index, value); }

void SqliteStatement::bind(int index, const std::string& text)
{
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, const std::optional<double>& value)
{
    if (value) {
        bind(index, *value);
    } else {
        sqlite3_bind_null(stmt_, index);
    }
}

void SqliteStatement::bind(int index, const std::optional<std::int64_t>& value)
{
    if (value) {
        bind(index, *value);
    } else {
        sqlite3_bind_null(stmt_, index);
    }
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(stmt_);
    done_ = rc == SQLITE_DONE;
    return rc == SQLITE_ROW;
}

bool SqliteStatement::run()
{
    step();
    const bool ok = done_;
    reset();
    return ok;
}

void SqliteStatement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

double SqliteStatement::real(int column) const { return sqlite3_column_double(stmt_, column); }

std::string SqliteStatement::text(int column) const
{
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    const int bytes = sqlite3_column_bytes(stmt_, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes))
                           : std::string();
}

std::optional<double> SqliteStatement::optionalReal(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<double>(real(column));
}

std::optional<std::int64_t> SqliteStatement::optionalInteger(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<std::int64_t>(integer(column));
}

}  // namespace gnsslog
