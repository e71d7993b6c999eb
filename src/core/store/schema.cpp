#include "store/schema.h"

#include <sqlite3.h>

namespace mozhou::store {
namespace {

// AUTOINCREMENT: a deleted id is never handed out again. addtime holds local time as
// "YYYY-MM-DD HH:MM:SS", which sorts in time order.
constexpr const char* kSchema = R"sql(
PRAGMA journal_mode=WAL;
BEGIN;
CREATE TABLE book_type (
  typeid   INTEGER PRIMARY KEY AUTOINCREMENT,
  typename TEXT,
  paix     INTEGER
);
CREATE TABLE book_list (
  bookid     INTEGER PRIMARY KEY AUTOINCREMENT,
  typeid     INTEGER,
  bookname   TEXT,
  authorname TEXT,
  muluurl    TEXT,
  downtype   INTEGER DEFAULT 0,
  paix       INTEGER
);
CREATE TABLE book_zhangjie (
  zhangjieid   INTEGER PRIMARY KEY AUTOINCREMENT,
  bookid       INTEGER,
  zhangjiename TEXT,
  fenjuanname  TEXT,
  zhangjieurl  TEXT,
  paix         INTEGER,
  zishutongji  INTEGER DEFAULT 0,
  addtime      TEXT DEFAULT (datetime('now','localtime')),
  readstate    INTEGER DEFAULT 0,
  shifuxianshi INTEGER DEFAULT 1
);
CREATE INDEX book_type_paix ON book_type(paix);
CREATE INDEX book_list_type_paix ON book_list(typeid, paix);
CREATE INDEX book_list_paix ON book_list(paix);
CREATE INDEX book_zhangjie_book_paix ON book_zhangjie(bookid, paix, zhangjieid);
CREATE INDEX book_zhangjie_book_url ON book_zhangjie(bookid, zhangjieurl);
CREATE INDEX book_zhangjie_unread ON book_zhangjie(bookid, readstate, shifuxianshi);
CREATE INDEX book_zhangjie_addtime ON book_zhangjie(addtime, zhangjieid);
COMMIT;
)sql";

}  // namespace

bool createBookDatabase(const std::filesystem::path& file, std::string* error) {
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    if (error) *error = "file exists";
    return false;
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  char* msg = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, kSchema, nullptr, nullptr, &msg);
  if (rc != SQLITE_OK && error) *error = msg ? msg : (db ? sqlite3_errmsg(db) : "cannot create");
  sqlite3_free(msg);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) std::filesystem::remove(file, ec);
  return rc == SQLITE_OK;
}

}  // namespace mozhou::store
