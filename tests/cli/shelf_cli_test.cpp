// mozhou-cli's bookshelf commands, run as the real executable on a temporary program directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/program_fixture.h"

namespace mozhou {
namespace {

using testing::TempDir;
using testing::TempProgramDir;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ShelfCli : public ::testing::Test {
 protected:
  Result run(const std::vector<std::string>& args) {
    std::string cmd = quote(std::string(MOZHOU_PROGRAM_DIR) + "/mozhou-cli") + " --dir " +
                      quote(program.path().string());
    for (const auto& a : args) cmd += " " + quote(a);
    const auto out = scratch.path() / "out";
    const auto err = scratch.path() / "err";
    cmd += " >" + quote(out.string()) + " 2>" + quote(err.string()) + " </dev/null";
    const int status = std::system(cmd.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
  }
  std::vector<nlohmann::json> shelfJson() {
    Result r = run({"--json", "shelf"});
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<nlohmann::json> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
  std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (const auto& j : shelfJson())
      out.push_back(std::to_string(j["level"].get<int>()) + ":" + j["text"].get<std::string>());
    return out;
  }

  TempProgramDir program;
  TempDir scratch;
};

TEST_F(ShelfCli, AddingTheSameNovelTwiceAddsOneBook) {
  Result first = run({"add", "--name", "斗破", "--author", "某人", "http://a.test/1/"});
  ASSERT_EQ(first.code, 0) << first.err;
  // The id, then the new novel's first update (its site has no rules, so it ends at once).
  EXPECT_EQ(first.out.substr(0, 2), "1\n");
  EXPECT_NE(first.out.find("更新停止"), std::string::npos) << first.out;
  Result again = run({"add", "--name", "斗破", "--author", "某人", "http://a.test/1/"});
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(again.out, "");
  EXPECT_NE(again.err.find("book 1"), std::string::npos) << again.err;
  // A named category is made on demand; without one the first category is used.
  ASSERT_EQ(run({"add", "--name", "二", "--category", "玄幻", "http://a.test/2/"}).code, 0);
  ASSERT_EQ(run({"add", "--name", "三", "--no-update", "http://a.test/3/"}).code, 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{"0:我的书架", "1:默认分类", "2:斗破", "2:三",
                                               "1:玄幻", "2:二"}));
  auto db = program.open();
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_list"), 3);
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_zhangjie"), 0);  // no update was run

  EXPECT_EQ(run({"add", "http://a.test/4/"}).code, 2);  // no --name
  EXPECT_EQ(run({"add", "--name", "x"}).code, 2);       // no URL
}

TEST_F(ShelfCli, ShelfJsonDescribesEveryNode) {
  ASSERT_EQ(run({"add", "--name", "书", "--category", "甲", "http://a.test/"}).code, 0);
  {
    auto db = program.open();
    for (int i = 0; i < 2; ++i)
      ASSERT_TRUE(db->exec(
          "INSERT INTO book_zhangjie (bookid,zhangjiename,zhangjieurl,paix) VALUES (1,'c','u',1)"));
  }
  const std::vector<nlohmann::json> expected = {
      {{"level", 0}, {"id", ""}, {"text", "我的书架"}, {"bold", false}, {"image", 0}},
      {{"level", 1}, {"id", "1"}, {"text", "甲"}, {"bold", false}, {"image", 1}},
      {{"level", 2}, {"id", "1"}, {"text", "书(2)"}, {"bold", true}, {"image", 2}},
  };
  EXPECT_EQ(shelfJson(), expected);
  Result json = run({"--json", "shelf"});
  EXPECT_EQ(json.out.find("\\u"), std::string::npos);  // UTF-8 as it is, not escaped
  Result plain = run({"shelf"});
  EXPECT_EQ(plain.out, "我的书架\n  [1] 甲\n    [1] 书(2)\n");
}

TEST_F(ShelfCli, CategoryCommandsWithAndWithoutYes) {
  Result add = run({"category", "add", "甲"});
  ASSERT_EQ(add.code, 0) << add.err;
  EXPECT_EQ(add.out, "1\n");
  ASSERT_EQ(run({"category", "add", "乙"}).code, 0);
  Result dup = run({"category", "add", "甲"});
  EXPECT_EQ(dup.code, 1);
  EXPECT_EQ(dup.err, "分类名称重复!\n");

  Result clash = run({"category", "rename", "2", "甲"});
  EXPECT_EQ(clash.code, 1);
  EXPECT_EQ(clash.err, "分类名称与其他分类重复!\n");
  EXPECT_EQ(run({"category", "rename", "2", "乙"}).code, 0);  // its own name
  EXPECT_EQ(run({"category", "rename", "2", "丙"}).code, 0);
  EXPECT_EQ(run({"category", "rename", "9", "丁"}).code, 2);
  EXPECT_EQ(run({"category", "rename", "x", "丁"}).code, 2);

  ASSERT_EQ(run({"add", "--name", "书", "--category", "甲", "http://a.test/"}).code, 0);
  program.write("book/1/1.txt", "text");
  Result asked = run({"category", "delete", "1"});
  EXPECT_EQ(asked.code, 1);
  EXPECT_NE(asked.err.find("确实要删除当前分类？删除的同时将删除分类下所有小说！"),
            std::string::npos);
  EXPECT_EQ(texts(), (std::vector<std::string>{"0:我的书架", "1:甲", "2:书", "1:丙"}));
  Result yes = run({"--yes", "category", "delete", "1"});
  EXPECT_EQ(yes.code, 0) << yes.err;
  EXPECT_EQ(texts(), (std::vector<std::string>{"0:我的书架", "1:丙"}));
  EXPECT_FALSE(std::filesystem::exists(program.path() / "book" / "1"));
  EXPECT_EQ(run({"--yes", "category", "delete", "1"}).code, 2);  // gone
}

TEST_F(ShelfCli, BookCommands) {
  ASSERT_EQ(run({"add", "--name", "一", "--category", "甲", "http://a.test/1"}).code, 0);
  ASSERT_EQ(run({"add", "--name", "二", "--category", "甲", "http://a.test/2"}).code, 0);
  ASSERT_EQ(run({"category", "add", "乙"}).code, 0);
  EXPECT_EQ(run({"book", "move", "1", "--into", "2"}).code, 0);
  EXPECT_EQ(run({"book", "move", "1", "--into", "2"}).code, 2);  // already there
  EXPECT_EQ(run({"book", "move", "2", "--onto", "1"}).code, 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{"0:我的书架", "1:甲", "1:乙", "2:二", "2:一"}));
  EXPECT_EQ(run({"category", "move", "2", "--onto", "1"}).code, 0);
  EXPECT_EQ(
      run({"book", "edit", "1", "--name", "新一", "--category", "丙", "--downtype", "1"}).code, 0);
  EXPECT_EQ(texts(),
            (std::vector<std::string>{"0:我的书架", "1:乙", "2:二", "1:甲", "1:丙", "2:新一"}));
  {
    auto db = program.open();
    EXPECT_EQ(db->queryInt("SELECT downtype FROM book_list WHERE bookid=1"), 1);
  }
  EXPECT_EQ(run({"book", "edit", "1", "--downtype", "2"}).code, 2);
  EXPECT_EQ(run({"book", "edit", "7"}).code, 2);
  Result asked = run({"book", "delete", "2"});
  EXPECT_EQ(asked.code, 1);
  EXPECT_NE(asked.err.find("确认要删除当前小说？"), std::string::npos);
  EXPECT_EQ(run({"--yes", "book", "delete", "2"}).code, 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{"0:我的书架", "1:乙", "1:甲", "1:丙", "2:新一"}));
}

TEST_F(ShelfCli, MissingDatabaseShowsOnlyTheRoot) {
  std::filesystem::remove(program.path() / "db" / "book.dat");
  Result r = run({"shelf"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "我的书架\n");
  EXPECT_EQ(r.err, "连接数据库失败!\n");
}

}  // namespace
}  // namespace mozhou
