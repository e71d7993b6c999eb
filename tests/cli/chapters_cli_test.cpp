#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/files.h"
#include "support/program_fixture.h"
#include "text/strings.h"

namespace {

namespace fs = std::filesystem;
using mozhou::testing::TempDir;
using mozhou::testing::TempProgramDir;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

// A book with three chapters in a temporary program directory, driven through mozhou-cli.
class ChaptersCli : public ::testing::Test {
 protected:
  void SetUp() override {
    db = tmp.open();
    ASSERT_TRUE(db->exec(
        "INSERT INTO book_list (typeid,bookname,authorname,muluurl,paix) VALUES (1,'书','','',1)"));
    book = std::to_string(db->lastInsertId());
    for (int i = 1; i <= 3; ++i) {
      ASSERT_TRUE(
          db->exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,"
                   "zhangjieurl,paix,addtime) VALUES (?,?,?,?,?,'2024-05-06 07:08:09')",
                   std::stoll(book), "第" + std::to_string(i) + "章", i < 3 ? "卷一" : "",
                   "/" + std::to_string(i), i));
      ids.push_back(std::to_string(db->lastInsertId()));
    }
  }

  Result run(std::vector<std::string> words) const {
    const fs::path cli = fs::path(MOZHOU_PROGRAM_DIR) / "mozhou-cli";
    TempDir capture;
    const fs::path outPath = capture.path() / "out";
    const fs::path errPath = capture.path() / "err";
    words.insert(words.begin(), {cli.string(), "--dir", tmp.path().string()});
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    Result r;
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return r;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.code = WEXITSTATUS(status);
    r.out = mozhou::app::readFileBytes(outPath).value_or("");
    r.err = mozhou::app::readFileBytes(errPath).value_or("");
    return r;
  }
  // The ids the chapters command lists, in order.
  std::vector<std::string> listed() const {
    const Result r = run({"chapters", book});
    std::vector<std::string> out;
    for (const auto& line : mozhou::text::splitLines(r.out))
      out.push_back(line.substr(0, line.find('\t')));
    return out;
  }
  long long column(const std::string& id, const std::string& name) const {
    return db->queryInt("SELECT " + name + " FROM book_zhangjie WHERE zhangjieid=?", std::stoll(id))
        .value_or(-1);
  }

  TempProgramDir tmp;
  std::unique_ptr<mozhou::store::Database> db;
  std::string book;
  std::vector<std::string> ids;
};

TEST_F(ChaptersCli, ListsChaptersAsJson) {
  ASSERT_TRUE(db->exec("UPDATE book_zhangjie SET readstate=1, zishutongji=1200 WHERE zhangjieid=?",
                       std::stoll(ids[1])));
  const Result r = run({"--json", "chapters", book});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto lines = mozhou::text::splitLines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(
      lines[1],
      R"({"id":")" + ids[1] +
          R"(","name":"第2章","words":1200,"volume":"卷一","added":"2024-05-06 07:08:09","url":"/2","read":1})");
  const Result byUrl = run({"chapters", book, "--order", "3"});
  ASSERT_EQ(byUrl.code, 0) << byUrl.err;
  EXPECT_EQ(mozhou::text::splitLines(byUrl.out).size(), 3u);
}

TEST_F(ChaptersCli, BadIdsAndMissingBooks) {
  const struct {
    std::vector<std::string> words;
    std::string error;
  } cases[] = {
      {{"chapters", "abc"}, "mozhou-cli: \"abc\" is not an id\n"},
      {{"chapters", "99"}, "mozhou-cli: no book with id 99\n"},
      {{"chapters", "1", "--order", "7"}, "mozhou-cli: --order takes 0, 1, 2 or 3\n"},
      {{"mark", "1", "read", "12x"}, "mozhou-cli: \"12x\" is not an id\n"},
      {{"mark", "1", "read", "99"}, "mozhou-cli: book 1 lists no chapter 99\n"},
      {{"filter", "99", "list"}, "mozhou-cli: no book with id 99\n"},
      {{"chapter", "delete", "1", "-3"}, "mozhou-cli: \"-3\" is not an id\n"},
  };
  for (const auto& tc : cases) {
    const Result r = run(tc.words);
    EXPECT_EQ(r.code, 2) << tc.words[0];
    EXPECT_EQ(r.err, tc.error);
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(ChaptersCli, MarksReadAndUnread) {
  Result r = run({"mark", book, "read", ids[0], ids[2]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(column(ids[0], "readstate"), 1);
  EXPECT_EQ(column(ids[1], "readstate"), 0);
  EXPECT_EQ(column(ids[2], "readstate"), 1);
  r = run({"mark", book, "unread", "--all"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(db->queryInt("SELECT sum(readstate) FROM book_zhangjie"), 0);
  r = run({"mark", book, "read", "--above", ids[2]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(column(ids[0], "readstate"), 1);
  EXPECT_EQ(column(ids[1], "readstate"), 1);
  EXPECT_EQ(column(ids[2], "readstate"), 0);
  EXPECT_EQ(run({"mark", book, "read"}).code, 2);
  EXPECT_EQ(run({"mark", book, "read", "--all", ids[0]}).code, 2);
}

TEST_F(ChaptersCli, FilterAddAndRemove) {
  Result r = run({"filter", book, "add", ids[1]});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "确实要将当前章节设为过滤章节？设置后将不在章节列表中显示！ (use --yes to confirm)\n");
  EXPECT_EQ(column(ids[1], "shifuxianshi"), 1);

  r = run({"--yes", "filter", book, "add", ids[1]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(listed(), (std::vector<std::string>{ids[0], ids[2]}));
  r = run({"--json", "filter", book, "list"});
  EXPECT_EQ(r.out, R"({"id":")" + ids[1] + R"(","name":"第2章"})" + "\n");

  r = run({"filter", book, "remove", ids[1]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(listed(), ids);  // back in its place, the record kept
  EXPECT_EQ(run({"filter", book, "list"}).out, "");
  r = run({"filter", book, "remove", ids[1]});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "mozhou-cli: chapter " + ids[1] + " of book " + book + " is not filtered\n");
}

TEST_F(ChaptersCli, DeleteAsksFirst) {
  tmp.write("book/" + book + "/" + ids[0] + ".txt", "text\r\n");
  Result r = run({"chapter", "delete", book, ids[0], ids[2]});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "确实要删除选中章节？ (use --yes to confirm)\n");
  EXPECT_EQ(listed(), ids);
  EXPECT_TRUE(fs::exists(tmp.path() / "book" / book / (ids[0] + ".txt")));

  r = run({"--yes", "chapter", "delete", book, ids[0], ids[2]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(listed(), (std::vector<std::string>{ids[1]}));
  EXPECT_FALSE(fs::exists(tmp.path() / "book" / book / (ids[0] + ".txt")));
}

TEST_F(ChaptersCli, AddInsertEditMoveAndSort) {
  Result r = run({"chapter", "add", book, "--name", ""});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "章节名称不可为空!\n");
  r = run({"chapter", "add", book, "--name", "插入", "--url", "/i", "--before", ids[1]});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string inserted = mozhou::text::trim(r.out);
  EXPECT_EQ(listed(), (std::vector<std::string>{ids[0], inserted, ids[1], ids[2]}));

  r = run({"chapter", "edit", book, inserted, "--volume", "卷二"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"--json", "chapters", book});
  EXPECT_NE(r.out.find(R"("name":"插入","words":0,"volume":"卷二")"), std::string::npos) << r.out;

  r = run({"chapter", "move", book, ids[2], "--onto", ids[0]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(listed(), (std::vector<std::string>{ids[2], ids[0], inserted, ids[1]}));
  EXPECT_EQ(run({"chapter", "move", book, ids[2], "--onto", ids[2]}).code, 2);

  r = run({"chapter", "sort", book, "url"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(listed(), (std::vector<std::string>{ids[0], ids[1], ids[2], inserted}));
}

TEST_F(ChaptersCli, Bookmarks) {
  Result r = run({"bookmark", book, "add", ids[2]});
  ASSERT_EQ(r.code, 0) << r.err;
  r = run({"bookmark", book, "add", ids[2]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(mozhou::app::readFileBytes(tmp.path() / "book" / book / "bookmark.txt"),
            "<bm>" + ids[2] + "</bm>\r\n");
  EXPECT_EQ(run({"bookmark", book, "list"}).out, ids[2] + "\t第3章\n");
  r = run({"bookmark", book, "delete", ids[2]});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(run({"bookmark", book, "list"}).out, "");
  EXPECT_EQ(run({"bookmark", book, "delete", ids[2]}).code, 2);
}

}  // namespace
