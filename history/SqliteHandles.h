// Small owners of SQLite's C handles: a connection closed and a statement
// finalised when they go out of scope, and the calls the history makes,
// each reporting failure through SQLite's own message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace gnsslog {

class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;
    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;

    // Opens path for reading and writing, creating it when missing if
    // create. Returns an empty string, or why not. A second writer is
    // waited for up to busyMilliseconds.
    std::string open(const std::string& path, bool create, int busyMilliseconds);
    // Runs one or more statements without results. Returns "" or SQLite's message.
    std::string execute(const char* sql);
    // The first column of the first row of a query giving one integer;
    // empty on an error (message in lastError()).
    std::optional<std::int64_t> queryInt(const char* sql);
    std::string lastError() const;
    std::int64_t lastInsertId() const noexcept;
    sqlite3* handle() const noexcept { return db_; }

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteConnection& connection, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool prepared() const noexcept { return stmt_ != nullptr; }
    // Parameters count from 1, as in SQLite.
    void bind(int index, std::int64_t value);
    void bind(int index, double value);
    void bind(int index, const std::string& text);
    void bind(int index, const std::optional<double>& value);
    void bind(int index, const std::optional<std::int64_t>& value);
    // One step: true while a row is there; done() tells whether the
    // statement finished rather than failed.
    bool step();
    bool done() const noexcept { return done_; }
    // Runs a statement without results and resets it for new parameters.
    bool run();
    // Ready to run again, its parameters cleared.
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::optional<double> optionalReal(int column) const;
    std::optional<std::int64_t> optionalInteger(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    bool done_ = false;
};

}  // namespace gnsslog
