#pragma once
// The bookshelf database (db/book.dat, SQLite). One Database per thread: the main thread
// holds one, the update worker opens its own on the same file. Every value is a bound
// parameter; statements never carry spliced text.
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mozhou::store {

class Database;

// One prepared statement. A statement that failed to prepare, bind or step is "failed":
// later calls do nothing and report failure, so a caller can chain and check once.
class Statement {
 public:
  Statement() = default;
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement();

  bool ok() const { return stmt_ != nullptr && !failed_; }

  // Parameters are numbered from 1.
  Statement& bind(int index, long long value);
  Statement& bind(int index, int value) { return bind(index, static_cast<long long>(value)); }
  Statement& bind(int index, std::string_view value);
  Statement& bind(int index, const std::string& value) { return bind(index, std::string_view(value)); }
  Statement& bind(int index, const char* value) { return bind(index, std::string_view(value)); }
  Statement& bindNull(int index);

  template <typename... A>
  Statement& bindAll(const A&... values) {
    int i = 0;
    (bind(++i, values), ...);
    return *this;
  }

  // Advances to the next row: true while there is one. False at the end or on failure.
  bool step();
  // Runs the statement to completion (INSERT, UPDATE, DELETE); true on success.
  bool exec();

  // Columns of the current row, by name; a NULL or unknown column reads as empty text / 0.
  std::string text(std::string_view column) const;
  long long integer(std::string_view column) const;
  bool isNull(std::string_view column) const;
  // By position, for single-value queries.
  std::string text(int column) const;
  long long integer(int column) const;

 private:
  friend class Database;
  Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  int columnIndex(std::string_view name) const;

  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
  bool failed_ = false;
  bool done_ = false;
};

class Database {
 public:
  // Opens an existing bookshelf database. Never creates one: a missing file, a file that is
  // not a database, or one without the bookshelf tables gives nullptr (and *error).
  static std::unique_ptr<Database> open(const std::filesystem::path& file,
                                        std::string* error = nullptr);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::filesystem::path& file() const { return file_; }

  Statement prepare(std::string_view sql);
  // Runs statements without parameters (schema, pragmas); true on success.
  bool execScript(std::string_view sql);

  // Id of the row most recently inserted through this connection.
  long long lastInsertId() const;
  // Rows changed by the most recent statement on this connection.
  int changes() const;

  // Single-value helpers; nullopt when there is no row, a NULL, or a failure.
  template <typename... A>
  std::optional<long long> queryInt(std::string_view sql, const A&... values) {
    Statement st = prepare(sql);
    st.bindAll(values...);
    if (!st.step() || sqlite3_column_type(st.stmt_, 0) == SQLITE_NULL) return std::nullopt;
    return st.integer(0);
  }
  template <typename... A>
  bool exec(std::string_view sql, const A&... values) {
    Statement st = prepare(sql);
    st.bindAll(values...);
    return st.exec();
  }

  std::string lastError() const;

  // Reports every statement this connection starts, with its bound values written in; an
  // empty function switches the report off. For diagnostics and for tests of what runs.
  void setTrace(std::function<void(const std::string& sql)> fn);

 private:
  Database(sqlite3* db, std::filesystem::path file) : db_(db), file_(std::move(file)) {}
  sqlite3* db_;
  std::filesystem::path file_;
  std::function<void(const std::string&)> trace_;
};

// BEGIN IMMEDIATE … COMMIT; rolls back when destroyed without commit().
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool active() const { return active_; }
  bool commit();

 private:
  Database& db_;
  bool active_;
};

// A set of ids as one bound parameter: use "x IN (SELECT value FROM json_each(?))".
std::string idListParam(const std::vector<long long>& ids);

}  // namespace mozhou::store
