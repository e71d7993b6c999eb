#include "store/database.h"

#include <chrono>
#include <thread>

namespace mozhou::store {

Statement::Statement(Statement&& o) noexcept
    : db_(o.db_), stmt_(o.stmt_), failed_(o.failed_), done_(o.done_) {
  o.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& o) noexcept {
  if (this != &o) {
    if (stmt_) sqlite3_finalize(stmt_);
    db_ = o.db_;
    stmt_ = o.stmt_;
    failed_ = o.failed_;
    done_ = o.done_;
    o.stmt_ = nullptr;
  }
  return *this;
}

Statement::~Statement() {
  if (stmt_) sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, long long value) {
  if (ok() && sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) failed_ = true;
  return *this;
}

Statement& Statement::bind(int index, std::string_view value) {
  if (ok() && sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                                SQLITE_TRANSIENT) != SQLITE_OK)
    failed_ = true;
  return *this;
}

Statement& Statement::bindNull(int index) {
  if (ok() && sqlite3_bind_null(stmt_, index) != SQLITE_OK) failed_ = true;
  return *this;
}

bool Statement::step() {
  if (!ok() || done_) return false;
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  done_ = true;
  if (rc != SQLITE_DONE) failed_ = true;
  return false;
}

bool Statement::exec() {
  if (!ok()) return false;
  while (step()) {
  }
  return ok();
}

int Statement::columnIndex(std::string_view name) const {
  if (!stmt_) return -1;
  const int n = sqlite3_column_count(stmt_);
  for (int i = 0; i < n; ++i) {
    const char* c = sqlite3_column_name(stmt_, i);
    if (c && sqlite3_stricmp(c, std::string(name).c_str()) == 0) return i;
  }
  return -1;
}

std::string Statement::text(int i) const {
  if (!stmt_ || i < 0) return {};
  const auto* p = sqlite3_column_text(stmt_, i);
  if (!p) return {};
  return std::string(reinterpret_cast<const char*>(p),
                     static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
}

long long Statement::integer(int i) const {
  if (!stmt_ || i < 0) return 0;
  return sqlite3_column_int64(stmt_, i);
}

std::string Statement::text(std::string_view column) const { return text(columnIndex(column)); }
long long Statement::integer(std::string_view column) const {
  return integer(columnIndex(column));
}
bool Statement::isNull(std::string_view column) const {
  const int i = columnIndex(column);
  return i < 0 || sqlite3_column_type(stmt_, i) == SQLITE_NULL;
}

std::unique_ptr<Database> Database::open(const std::filesystem::path& file, std::string* error) {
  auto fail = [&](sqlite3* db, std::string why) -> std::unique_ptr<Database> {
    if (error) *error = std::move(why);
    if (db) sqlite3_close_v2(db);
    return nullptr;
  };
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return fail(nullptr, "no database file");
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK)
    return fail(db, db ? sqlite3_errmsg(db) : "cannot open");
  sqlite3_busy_timeout(db, 10000);
  std::unique_ptr<Database> d(new Database(db, file));
  auto tables = d->queryInt(
      "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN "
      "('book_type','book_list','book_zhangjie')");
  if (!tables || *tables != 3) {
    std::string why = d->lastError();
    d.reset();
    if (error) *error = why.empty() || why == "not an error" ? "not a bookshelf database" : why;
    return nullptr;
  }
  d->execScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  return d;
}

Database::~Database() { sqlite3_close_v2(db_); }

Statement Database::prepare(std::string_view sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) !=
      SQLITE_OK) {
    if (stmt) sqlite3_finalize(stmt);
    return Statement(db_, nullptr);
  }
  return Statement(db_, stmt);
}

bool Database::execScript(std::string_view sql) {
  return sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

long long Database::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }
int Database::changes() const { return sqlite3_changes(db_); }
std::string Database::lastError() const { return sqlite3_errmsg(db_); }

void Database::setTrace(std::function<void(const std::string&)> fn) {
  trace_ = std::move(fn);
  if (!trace_) {
    sqlite3_trace_v2(db_, 0, nullptr, nullptr);
    return;
  }
  auto callback = [](unsigned, void* self, void* stmt, void* sql) -> int {
    const char* text = static_cast<const char*>(sql);
    if (text && text[0] == '-' && text[1] == '-') return 0;  // trigger bodies
    char* expanded = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(stmt));
    static_cast<Database*>(self)->trace_(expanded ? expanded : (text ? text : ""));
    sqlite3_free(expanded);
    return 0;
  };
  sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, callback, this);
}

Transaction::Transaction(Database& db) : db_(db), active_(db.execScript("BEGIN IMMEDIATE")) {}

Transaction::~Transaction() {
  if (active_) db_.execScript("ROLLBACK");
}

bool Transaction::commit() {
  if (!active_) return false;
  active_ = false;
  if (db_.execScript("COMMIT")) return true;
  db_.execScript("ROLLBACK");
  return false;
}

std::string idListParam(const std::vector<long long>& ids) {
  std::string s = "[";
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i) s += ',';
    s += std::to_string(ids[i]);
  }
  s += ']';
  return s;
}

}  // namespace mozhou::store
