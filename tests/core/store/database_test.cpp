#include "store/database.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <set>
#include <thread>

#include "store/connection.h"
#include "store/order_numbers.h"
#include "support/program_fixture.h"

namespace mozhou::store {
namespace {

using testing::RecordingPrompter;
using testing::TempProgramDir;

long long addChapter(Database& db, long long book, const std::string& name, long long paix) {
  EXPECT_TRUE(db.exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,paix)"
                      " VALUES (?,?,?,?,?)",
                      book, name, "", "/" + name, paix));
  return db.lastInsertId();
}

TEST(Database, QuotesInTextAreStoredUnchanged) {
  TempProgramDir tmp;
  auto db = tmp.open();
  const std::string titles[] = {"它's 书", "\"引号\"", "a'+chr(34)+'b", "'; DROP TABLE book_list; --"};
  for (const auto& t : titles) {
    ASSERT_TRUE(db->exec("INSERT INTO book_list (typeid,bookname,authorname,muluurl,paix) "
                         "VALUES (1,?,?,?,1)",
                         t, t, t));
    Statement st = db->prepare("SELECT bookname, authorname FROM book_list WHERE bookid=?");
    st.bind(1, db->lastInsertId());
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text("bookname"), t);
    EXPECT_EQ(st.text("AUTHORNAME"), t);  // columns by name without regard to case
  }
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_list"), 4);
}

TEST(Database, DefaultsOfANewChapter) {
  TempProgramDir tmp;
  auto db = tmp.open();
  const long long id = addChapter(*db, 1, "第一章", 1);
  Statement st = db->prepare("SELECT * FROM book_zhangjie WHERE zhangjieid=?");
  st.bind(1, id);
  ASSERT_TRUE(st.step());
  EXPECT_EQ(st.integer("zishutongji"), 0);
  EXPECT_EQ(st.integer("readstate"), 0);
  EXPECT_EQ(st.integer("shifuxianshi"), 1);
  // addtime is the local time of the insert.
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char today[16];
  std::strftime(today, sizeof today, "%Y-%m-%d", &local);
  EXPECT_EQ(st.text("addtime").substr(0, 10), today);
  EXPECT_EQ(st.text("addtime").size(), 19u);
  EXPECT_EQ(st.text("no_such_column"), "");
}

TEST(Database, NullReadsAsEmptyText) {
  TempProgramDir tmp;
  auto db = tmp.open();
  ASSERT_TRUE(db->exec("INSERT INTO book_type (typename,paix) VALUES (NULL,1)"));
  Statement st = db->prepare("SELECT typename, paix FROM book_type");
  ASSERT_TRUE(st.step());
  EXPECT_EQ(st.text("typename"), "");
  EXPECT_TRUE(st.isNull("typename"));
  EXPECT_FALSE(st.isNull("paix"));
}

TEST(Database, FirstOrderNumbersAreOneThenMaxPlusOne) {
  TempProgramDir tmp;
  auto db = tmp.open();
  EXPECT_EQ(nextCategoryOrder(*db), 1);
  EXPECT_EQ(nextBookOrder(*db), 1);
  EXPECT_EQ(nextChapterOrder(*db, 5), 1);
  ASSERT_TRUE(db->exec("INSERT INTO book_type (typename,paix) VALUES ('a',7)"));
  ASSERT_TRUE(db->exec("INSERT INTO book_list (typeid,bookname,paix) VALUES (1,'b',3)"));
  addChapter(*db, 5, "c", 9);
  addChapter(*db, 6, "d", 40);
  EXPECT_EQ(nextCategoryOrder(*db), 8);
  EXPECT_EQ(nextBookOrder(*db), 4);
  EXPECT_EQ(nextChapterOrder(*db, 5), 10);  // per book
  EXPECT_EQ(nextChapterOrder(*db, 7), 1);
}

TEST(Database, IdsAreNeverReusedAndTiesOrderById) {
  TempProgramDir tmp;
  auto db = tmp.open();
  addChapter(*db, 1, "a", 1);
  const long long newest = addChapter(*db, 1, "b", 1);
  ASSERT_TRUE(db->exec("DELETE FROM book_zhangjie WHERE zhangjieid=?", newest));
  const long long next = addChapter(*db, 1, "c", 1);
  EXPECT_GT(next, newest);
  Statement st = db->prepare("SELECT zhangjiename FROM book_zhangjie WHERE bookid=1 ORDER BY paix, zhangjieid");
  std::string order;
  while (st.step()) order += st.text("zhangjiename");
  EXPECT_EQ(order, "ac");
}

TEST(Database, IdListParameterSelectsASet) {
  TempProgramDir tmp;
  auto db = tmp.open();
  std::vector<long long> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(addChapter(*db, 1, std::to_string(i), i));
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_zhangjie WHERE zhangjieid IN "
                         "(SELECT value FROM json_each(?))",
                         idListParam({ids[1], ids[3], 999})),
            2);
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_zhangjie WHERE zhangjieid IN "
                         "(SELECT value FROM json_each(?))",
                         idListParam({})),
            0);
}

TEST(Database, TwoThreadsInsertingGetTheirOwnIds) {
  TempProgramDir tmp;
  constexpr int kPerThread = 300;
  auto worker = [&](long long book, std::vector<std::pair<long long, std::string>>& out) {
    auto db = tmp.open();
    for (int i = 0; i < kPerThread; ++i) {
      const std::string name = std::to_string(book) + "-" + std::to_string(i);
      if (!db->exec("INSERT INTO book_zhangjie (bookid,zhangjiename,paix) VALUES (?,?,?)", book,
                    name, i))
        continue;
      out.emplace_back(db->lastInsertId(), name);
    }
  };
  std::vector<std::pair<long long, std::string>> a, b;
  std::thread t1(worker, 1, std::ref(a)), t2(worker, 2, std::ref(b));
  t1.join();
  t2.join();
  ASSERT_EQ(a.size(), static_cast<std::size_t>(kPerThread));
  ASSERT_EQ(b.size(), static_cast<std::size_t>(kPerThread));
  auto db = tmp.open();
  std::set<long long> seen;
  for (auto* list : {&a, &b}) {
    for (auto& [id, name] : *list) {
      EXPECT_TRUE(seen.insert(id).second);
      Statement st = db->prepare("SELECT zhangjiename FROM book_zhangjie WHERE zhangjieid=?");
      st.bind(1, id);
      ASSERT_TRUE(st.step());
      EXPECT_EQ(st.text("zhangjiename"), name);
    }
  }
}

TEST(Database, TransactionRollsBackUnlessCommitted) {
  TempProgramDir tmp;
  auto db = tmp.open();
  {
    Transaction tx(*db);
    ASSERT_TRUE(tx.active());
    addChapter(*db, 1, "lost", 1);
  }
  {
    Transaction tx(*db);
    addChapter(*db, 1, "kept", 1);
    EXPECT_TRUE(tx.commit());
  }
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_zhangjie"), 1);
}

TEST(Connection, MissingOrDamagedFileReportsOnceAndNeverCreates) {
  {
    TempProgramDir tmp(false);
    RecordingPrompter prompter;
    auto db = connectioncreat(tmp.dir(), prompter);
    EXPECT_EQ(db, nullptr);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"连接数据库失败!"});
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "db/book.dat"));
  }
  for (const char* bytes : {"", "this is not a database at all, just some text"}) {
    TempProgramDir tmp(false);
    tmp.write("db/book.dat", bytes);
    RecordingPrompter prompter;
    EXPECT_EQ(connectioncreat(tmp.dir(), prompter), nullptr);
    EXPECT_EQ(prompter.messages.size(), 1u);
  }
  TempProgramDir good;
  RecordingPrompter prompter;
  auto db = connectioncreat(good.dir(), prompter);
  EXPECT_NE(db, nullptr);
  EXPECT_TRUE(prompter.messages.empty());
  connectionend(db);
  EXPECT_EQ(db, nullptr);
}

TEST(Database, FailedStatementsFailQuietly) {
  TempProgramDir tmp;
  auto db = tmp.open();
  Statement bad = db->prepare("SELECT nothing FROM nowhere");
  EXPECT_FALSE(bad.ok());
  EXPECT_FALSE(bad.bind(1, 5).step());
  EXPECT_FALSE(bad.exec());
  EXPECT_EQ(bad.text("x"), "");
  EXPECT_FALSE(db->queryInt("SELECT max(paix) FROM book_type").has_value());  // NULL
}

}  // namespace
}  // namespace mozhou::store
