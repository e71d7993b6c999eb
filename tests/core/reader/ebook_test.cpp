#include "reader/ebook.h"

#include <gtest/gtest.h>

#include "app/files.h"
#include "support/program_fixture.h"

namespace mozhou::reader {
namespace {

using testing::RecordingPrompter;
using testing::TempProgramDir;

long long addChapter(store::Database& db, long long book, const std::string& volume,
                     const std::string& name, long long paix, int shown = 1) {
  EXPECT_TRUE(db.exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,"
                      "paix,shifuxianshi) VALUES (?,?,?,?,?,?)",
                      book, name, volume, "u" + name, paix, shown));
  return db.lastInsertId();
}

TEST(Ebook, LayoutOfHeadingsTextsAndEmptyLines) {
  TempProgramDir tmp;
  auto db = tmp.open();
  const long long c1 = addChapter(*db, 3, "第一卷", "第一章", 2);
  addChapter(*db, 3, "", "无文", 3);                 // no file: heading and one empty line
  const long long hidden = addChapter(*db, 3, "卷", "已过滤", 4, 0);
  const long long c0 = addChapter(*db, 3, "序", "楔子", 1);
  addChapter(*db, 4, "别的书", "不在", 1);
  tmp.write("book/3/" + std::to_string(c1) + ".txt", "\xB5\xDA\xD2\xBB\xD0\xD0\r\nb");  // 第一行
  tmp.write("book/3/" + std::to_string(c0) + ".txt", "a\r\n");
  tmp.write("book/3/" + std::to_string(hidden) + ".txt", "secret\r\n");
  EXPECT_EQ(*buildEbookText(*db, tmp.dir(), 3),
            "序 楔子\r\n\r\na\r\n\r\n\r\n"
            "第一卷 第一章\r\n\r\n第一行\r\nb\r\n\r\n\r\n"
            " 无文\r\n\r\n\r\n");
}

TEST(Ebook, SingleLineChapterGivesFiveLinesInTheLegacyCodePage) {
  TempProgramDir tmp;
  auto db = tmp.open();
  const long long c = addChapter(*db, 1, "卷", "章", 1);
  tmp.write("book/1/" + std::to_string(c) + ".txt", "a\r\n");
  RecordingPrompter prompter;
  const auto target = tmp.path() / "out";
  EXPECT_EQ(makeebook(db.get(), tmp.dir(), 1, target, prompter), EbookOutcome::Written);
  EXPECT_EQ(*app::readFileBytes(tmp.path() / "out.txt"), "\xBE\xED \xD5\xC2\r\n\r\na\r\n\r\n\r\n");
}

TEST(Ebook, TargetNamesAndQuestions) {
  EXPECT_EQ(ebookTarget("a.TXT"), std::filesystem::path("a.TXT"));
  EXPECT_EQ(ebookTarget("a.txt"), std::filesystem::path("a.txt"));
  EXPECT_EQ(ebookTarget("a.doc"), std::filesystem::path("a.doc.txt"));
  EXPECT_EQ(ebookTarget("书"), std::filesystem::path("书.txt"));

  TempProgramDir tmp;
  auto db = tmp.open();
  addChapter(*db, 1, "", "x", 1);
  RecordingPrompter prompter;
  EXPECT_EQ(makeebook(db.get(), tmp.dir(), 0, tmp.path() / "e.txt", prompter),
            EbookOutcome::NoBook);
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"当前没有选中小说!"});

  const auto existing = tmp.write("e.txt", "old");
  prompter.answers = {false};
  EXPECT_EQ(makeebook(db.get(), tmp.dir(), 1, existing, prompter), EbookOutcome::Declined);
  EXPECT_EQ(*app::readFileBytes(existing), "old");
  EXPECT_EQ(prompter.questions, std::vector<std::string>{"文件已存在，是否覆盖？"});
  prompter.answers = {true};
  EXPECT_EQ(makeebook(db.get(), tmp.dir(), 1, existing, prompter), EbookOutcome::Written);
  EXPECT_EQ(*app::readFileBytes(existing), " x\r\n\r\n\r\n");
}

}  // namespace
}  // namespace mozhou::reader
