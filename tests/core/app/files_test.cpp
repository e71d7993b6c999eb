#include "app/files.h"

#include <gtest/gtest.h>

#include "app/program_dir.h"
#include "support/temp_dir.h"

namespace mozhou::app {
namespace {

namespace fs = std::filesystem;
using mozhou::testing::TempDir;

TEST(ProgramDirTest, JoinsLiteralsWithEitherSeparator) {
  ProgramDir dir("/opt/mozhou");
  EXPECT_EQ(dir.path("db\\book.dat"), fs::path("/opt/mozhou/db/book.dat"));
  EXPECT_EQ(dir.path("book/12/bookmark.txt"), fs::path("/opt/mozhou/book/12/bookmark.txt"));
  EXPECT_EQ(dir.path("book\\12\\"), fs::path("/opt/mozhou/book/12"));
  EXPECT_EQ(dir.path(""), fs::path("/opt/mozhou"));
}

TEST(DeleteDirTest, DeletesTheTreeWithOrWithoutTrailingSeparator) {
  for (const char* suffix : {"", "/", "\\"}) {
    TempDir tmp;
    tmp.write("book/7/1.txt", "x");
    tmp.write("book/7/1/0.jpg", "y");
    tmp.write("book/8/2.txt", "z");
    DeleteDir((tmp.path() / "book/7").string() + suffix);
    EXPECT_FALSE(fs::exists(tmp.path() / "book/7")) << suffix;
    EXPECT_TRUE(fs::exists(tmp.path() / "book/8/2.txt"));
  }
}

TEST(DeleteDirTest, MissingPathAndFilesAreIgnored) {
  TempDir tmp;
  DeleteDir(tmp.path() / "nothing-here");
  const fs::path file = tmp.write("a.txt", "keep");
  DeleteDir(file);  // not a directory: left alone
  EXPECT_TRUE(fs::exists(file));
}

TEST(DeleteDirTest, DoesNotFollowSymlinkedDirectories) {
  TempDir tmp;
  tmp.write("outside/keep.txt", "k");
  tmp.write("book/1/a.txt", "a");
  fs::create_directory_symlink(tmp.path() / "outside", tmp.path() / "book/1/link");
  DeleteDir(tmp.path() / "book/1");
  EXPECT_FALSE(fs::exists(tmp.path() / "book/1"));
  EXPECT_TRUE(fs::exists(tmp.path() / "outside/keep.txt"));
}

TEST(TextFiles, LegacyCrLfRoundTripAndAtomicWrite) {
  TempDir tmp;
  const fs::path p = tmp.path() / "t.txt";
  ASSERT_TRUE(writeTextFile(p, "第一行\n第二行"));
  EXPECT_EQ(*readFileBytes(p), "\xB5\xDA\xD2\xBB\xD0\xD0\r\n\xB5\xDA\xB6\xFE\xD0\xD0\r\n");
  EXPECT_EQ(*readTextFile(p), "第一行\r\n第二行\r\n");
  EXPECT_FALSE(readTextFile(tmp.path() / "missing.txt"));
  EXPECT_FALSE(writeFileAtomic(tmp.path() / "no-such-dir/x.txt", "x"));
  for (const auto& e : fs::directory_iterator(tmp.path()))
    EXPECT_EQ(e.path().filename(), "t.txt");  // no temporary file left behind
}

TEST(TextFiles, ForeignTextAcceptsUtf8AndLegacy) {
  EXPECT_EQ(decodeForeignText("\xEF\xBB\xBF墨舟"), "墨舟");
  EXPECT_EQ(decodeForeignText("墨舟"), "墨舟");
  EXPECT_EQ(decodeForeignText("\xC4\xAB\xD6\xDB"), "墨舟");
  EXPECT_EQ(decodeForeignText("plain"), "plain");
}

}  // namespace
}  // namespace mozhou::app
