#include "store/bookmarks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/files.h"
#include "chapter_fixture.h"
#include "store/chapter_files.h"
#include "store/filters.h"
#include "text/codec.h"

namespace mozhou::store {
namespace {

using test::ChapterFixture;

struct BookmarkFixture : ChapterFixture {
  BookmarkFixture() : bookmarks(tmp.dir(), list) { bookmarks.addObserver(&observer); }
  std::string file() const {
    return app::readFileBytes(bookmarkFile(tmp.dir(), book)).value_or("<missing>");
  }
  void writeFile(const std::string& bytes) { tmp.write("book/1/bookmark.txt", bytes); }
  std::vector<long long> entryIds() const {
    std::vector<long long> ids;
    for (const auto& e : bookmarks.entries()) ids.push_back(e.chapterId);
    return ids;
  }
  Bookmarks bookmarks;
};

TEST(Bookmarks, TheFirstBookmarkCreatesTheFile) {
  BookmarkFixture f;
  const auto ids = f.addChapters(2);
  f.list.drawmulu(kOrderStored);
  f.bookmarks.drawshuqian();
  EXPECT_TRUE(f.bookmarks.entries().empty());
  f.list.setSelected(1, true);
  ASSERT_TRUE(f.bookmarks.addBookmark());  // the book directory does not exist yet
  EXPECT_EQ(f.file(), "<bm>" + std::to_string(ids[1]) + "</bm>\r\n");
  ASSERT_EQ(f.bookmarks.entries().size(), 1u);
  EXPECT_EQ(f.bookmarks.entries()[0].caption, "c2");
  // The same chapter again: nothing changes and nothing is said.
  EXPECT_FALSE(f.bookmarks.addBookmark());
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{ids[1]}));
  EXPECT_EQ(f.file(), "<bm>" + std::to_string(ids[1]) + "</bm>\r\n");
  // A second one goes on a line of its own after the cleaned records.
  f.list.selectOnly(0);
  ASSERT_TRUE(f.bookmarks.addBookmark());
  EXPECT_EQ(f.file(), "<bm>2</bm>\r\n<bm>1</bm>\r\n");
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{ids[1], ids[0]}));
  EXPECT_TRUE(f.prompter.messages.empty());
  f.list.clearSelection();
  EXPECT_FALSE(f.bookmarks.addBookmark());
  EXPECT_EQ(f.prompter.messages, (std::vector<std::string>{"当前没有选中任何章节!"}));
}

TEST(Bookmarks, LineBreaksAndEmptyRecordsAreIgnored) {
  const char* files[] = {
      "<bm>1</bm><bm>3</bm>",
      "<b\r\nm>1</bm>\r\n<bm></bm><bm>3</\nbm>\r\n",
      "<bm></bm>\n<BM>1</bM><bm>3</bm><bm></bm>\r",
  };
  for (const char* content : files) {
    BookmarkFixture f;
    f.addChapters(3);
    f.list.drawmulu(kOrderStored);
    f.writeFile(content);
    f.bookmarks.drawshuqian();
    EXPECT_EQ(f.entryIds(), (std::vector<long long>{1, 3})) << content;
    f.list.setSelected(1, true);
    ASSERT_TRUE(f.bookmarks.addBookmark());
    const std::string cleaned = std::string(content).find("BM") != std::string::npos
                                    ? "<BM>1</bM><bm>3</bm>"
                                    : "<bm>1</bm><bm>3</bm>";
    EXPECT_EQ(f.file(), cleaned + "\r\n<bm>2</bm>\r\n") << content;
  }
}

TEST(Bookmarks, RecordsOfChaptersNotListedStayInTheFile) {
  BookmarkFixture f;
  const auto ids = f.addChapters(3);
  f.add({"hidden", 4, "", "", 0, 0});
  f.writeFile("<bm>4</bm><bm>99</bm><bm> 2</bm><bm>2</bm><bm>2</bm>\r\n");
  f.list.drawmulu(kOrderStored);
  f.bookmarks.drawshuqian();
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{ids[1]}));  // one entry per chapter
  f.list.setSelected(0, true);
  f.bookmarks.addBookmark();
  EXPECT_EQ(f.file(), "<bm>4</bm><bm>99</bm><bm> 2</bm><bm>2</bm><bm>2</bm>\r\n<bm>1</bm>\r\n");
}

TEST(Bookmarks, DeletingRemovesEveryRecordOfTheChapter) {
  BookmarkFixture f;
  f.addChapters(3);
  f.writeFile("<bm>2</bm>\r\n<bm>1</bm><bm>2</bm>\r\n");
  f.list.drawmulu(kOrderStored);
  f.bookmarks.drawshuqian();
  f.observer.events.clear();
  ASSERT_TRUE(f.bookmarks.delshuqian(2));
  EXPECT_EQ(f.file(), "<bm>1</bm>\r\n");
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{1}));
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"entry- 0"}));
  ASSERT_TRUE(f.bookmarks.delshuqian(1));
  EXPECT_EQ(f.file(), "\r\n");
  EXPECT_TRUE(f.bookmarks.entries().empty());
}

TEST(Bookmarks, AFileThatCannotBeWrittenAddsNoEntry) {
  BookmarkFixture f;
  f.addChapters(1);
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(0, true);
  // A directory where the file should be.
  std::filesystem::create_directories(bookmarkFile(f.tmp.dir(), f.book));
  EXPECT_FALSE(f.bookmarks.addBookmark());
  EXPECT_TRUE(f.bookmarks.entries().empty());
}

TEST(Bookmarks, JumpSelectsTheChapter) {
  BookmarkFixture f;
  const auto ids = f.addChapters(4);
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(0, true);
  f.list.setSelected(1, true);
  f.observer.events.clear();
  EXPECT_EQ(f.bookmarks.shuqian(ids[2]), 2u);
  EXPECT_EQ(f.list.selectedIndices(), (std::vector<std::size_t>{2}));
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"selection", "scroll 2"}));
  f.observer.events.clear();
  EXPECT_EQ(f.bookmarks.shuqian(999), std::nullopt);  // a chapter that left the list
  EXPECT_EQ(f.list.selectedIndices(), (std::vector<std::size_t>{2}));
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"scroll 2"}));
}

TEST(Bookmarks, TheFileIsLegacyText) {
  BookmarkFixture f;
  f.addChapters(1);
  f.list.drawmulu(kOrderStored);
  // Anything besides the records survives a rewrite in the legacy code page.
  f.writeFile(text::toLegacy("书签<bm>1</bm>"));
  f.bookmarks.drawshuqian();
  EXPECT_EQ(f.bookmarks.entries().size(), 1u);
  f.bookmarks.delshuqian(1);
  EXPECT_EQ(f.file(), text::toLegacy("书签\r\n"));
}

}  // namespace
}  // namespace mozhou::store
