#pragma once
// A book in a temporary program directory with its chapter list, a recording observer, the
// bookshelf hooks recorded with the unread count they would show, and the statements run.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/chapter_list.h"
#include "support/program_fixture.h"

namespace mozhou::store::test {

struct RecordingObserver : ListObserver, MenuObserver {
  void rowsReset() override { events.push_back("reset"); }
  void rowInserted(std::size_t i) override { events.push_back("insert " + std::to_string(i)); }
  void rowChanged(std::size_t i) override { events.push_back("change " + std::to_string(i)); }
  void rowRemoved(std::size_t i) override { events.push_back("remove " + std::to_string(i)); }
  void selectionChanged() override { events.push_back("selection"); }
  void scrollRequested(std::size_t i) override { events.push_back("scroll " + std::to_string(i)); }
  void entriesReset() override { events.push_back("entries"); }
  void entryAdded(std::size_t i) override { events.push_back("entry+ " + std::to_string(i)); }
  void entryRemoved(std::size_t i) override { events.push_back("entry- " + std::to_string(i)); }
  int count(const std::string& e) const {
    int n = 0;
    for (const auto& x : events) n += x == e;
    return n;
  }
  std::vector<std::string> events;
};

struct ChapterSpec {
  ChapterSpec(std::string name, long long paix, std::string volume = "", std::string url = "",
              int readstate = 0, int shown = 1, std::string addtime = "2024-01-01 08:00:00",
              long long words = 0)
      : name(std::move(name)),
        paix(paix),
        volume(std::move(volume)),
        url(std::move(url)),
        readstate(readstate),
        shown(shown),
        addtime(std::move(addtime)),
        words(words) {}
  std::string name;
  long long paix;
  std::string volume;
  std::string url;  // "/" + name when empty
  int readstate;
  int shown;
  std::string addtime;
  long long words;
};

class ChapterFixture {
 public:
  ChapterFixture() : ChapterFixture(true) {}
  explicit ChapterFixture(bool withDatabase)
      : tmp(withDatabase),
        db(withDatabase ? tmp.open() : nullptr),
        list(db.get(), tmp.dir(), prompter) {
    if (db) {
      book = addBook("书");
      db->setTrace([this](const std::string& sql) { statements.push_back(sql); });
    }
    list.setBook(book);
    list.addObserver(&observer);
    list.setBookRedraw([this](long long id) { redraws.push_back({id, unread(id)}); });
  }

  long long addBook(const std::string& name) {
    EXPECT_TRUE(db->exec(
        "INSERT INTO book_list (typeid,bookname,authorname,muluurl,paix) VALUES (1,?,'','',1)",
        name));
    return db->lastInsertId();
  }
  long long add(const ChapterSpec& c, long long bookId = 0) {
    EXPECT_TRUE(
        db->exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,"
                 "paix,readstate,shifuxianshi,addtime,zishutongji) "
                 "VALUES (?,?,?,?,?,?,?,?,?)",
                 bookId ? bookId : book, c.name, c.volume, c.url.empty() ? "/" + c.name : c.url,
                 c.paix, c.readstate, c.shown, c.addtime, c.words));
    return db->lastInsertId();
  }
  // n unread chapters "c1".."cn" at order numbers 1..n; their ids.
  std::vector<long long> addChapters(int n) {
    std::vector<long long> ids;
    for (int i = 1; i <= n; ++i) ids.push_back(add({"c" + std::to_string(i), i}));
    return ids;
  }

  long long unread(long long bookId) {
    if (!db) return -1;
    return db
        ->queryInt(
            "SELECT count(*) FROM book_zhangjie WHERE bookid=? AND readstate=0 AND "
            "shifuxianshi=1",
            bookId)
        .value_or(-1);
  }
  long long column(long long id, const std::string& name) {
    return db->queryInt("SELECT " + name + " FROM book_zhangjie WHERE zhangjieid=?", id)
        .value_or(-1);
  }
  bool exists(long long id) {
    return db->queryInt("SELECT count(*) FROM book_zhangjie WHERE zhangjieid=?", id) == 1;
  }
  std::vector<long long> listed() const {
    std::vector<long long> ids;
    for (const auto& r : list.rows()) ids.push_back(r.id);
    return ids;
  }
  std::vector<long long> storedOrder() {
    std::vector<long long> ids;
    Statement st = db->prepare(
        "SELECT zhangjieid FROM book_zhangjie WHERE bookid=? AND shifuxianshi=1 "
        "ORDER BY paix,zhangjieid");
    st.bind(1, book);
    while (st.step()) ids.push_back(st.integer(0));
    return ids;
  }
  void select(std::initializer_list<long long> ids) {
    for (long long id : ids) {
      auto row = list.getzjTListItem(id);
      ASSERT_TRUE(row) << id;
      list.setSelected(*row, true);
    }
  }
  std::vector<long long> selectedIds() const {
    std::vector<long long> ids;
    for (std::size_t i : list.selectedIndices()) ids.push_back(list.row(i).id);
    return ids;
  }
  // Statements that change data, from the trace.
  std::vector<std::string> writes() const {
    std::vector<std::string> out;
    for (const auto& s : statements)
      if (s.rfind("UPDATE", 0) == 0 || s.rfind("DELETE", 0) == 0 || s.rfind("INSERT", 0) == 0)
        out.push_back(s);
    return out;
  }
  void clearRecords() {
    statements.clear();
    observer.events.clear();
    redraws.clear();
  }

  mozhou::testing::TempProgramDir tmp;
  std::unique_ptr<Database> db;
  mozhou::testing::RecordingPrompter prompter;
  ChapterList list;
  RecordingObserver observer;
  long long book = 0;
  std::vector<std::pair<long long, long long>> redraws;  // book, unread count it shows
  std::vector<std::string> statements;
};

}  // namespace mozhou::store::test
