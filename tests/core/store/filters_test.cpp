#include "store/filters.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "chapter_fixture.h"
#include "store/chapter_files.h"

namespace mozhou::store {
namespace {

using test::ChapterFixture;

constexpr const char* kQuestion = "确实要将当前章节设为过滤章节？设置后将不在章节列表中显示！";

struct FilterFixture : ChapterFixture {
  FilterFixture() : filters(list) { filters.addObserver(&observer); }
  std::vector<long long> entryIds() const {
    std::vector<long long> ids;
    for (const auto& e : filters.entries()) ids.push_back(e.chapterId);
    return ids;
  }
  Filters filters;
};

TEST(Filters, FilteringHidesTheChapterAfterTheQuestion) {
  FilterFixture f;
  const auto ids = f.addChapters(4);
  f.list.drawmulu(kOrderStored);
  f.filters.drawguolv();
  f.list.setSelected(1, true);
  f.list.setSelected(3, true);
  f.prompter.answers = {false};
  EXPECT_FALSE(f.filters.addFilter());
  EXPECT_EQ(f.prompter.questions, (std::vector<std::string>{kQuestion}));
  EXPECT_EQ(f.list.size(), 4u);
  EXPECT_EQ(f.column(ids[1], "shifuxianshi"), 1);

  f.clearRecords();
  ASSERT_TRUE(f.filters.addFilter());  // only the first selected row
  EXPECT_EQ(f.listed(), (std::vector<long long>{ids[0], ids[2], ids[3]}));
  EXPECT_EQ(f.column(ids[1], "shifuxianshi"), 0);
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{ids[1]}));
  EXPECT_EQ(f.filters.entries()[0].caption, "c2");
  EXPECT_EQ(f.redraws, (std::vector<std::pair<long long, long long>>{{f.book, 3}}));

  // Filtered last is listed last; opened again, the menu is in chapter order.
  f.list.selectOnly(0);
  ASSERT_TRUE(f.filters.addFilter());
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{ids[1], ids[0]}));
  f.list.drawmulu(kOrderStored);
  f.filters.drawguolv();
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{ids[0], ids[1]}));

  f.list.clearSelection();
  EXPECT_FALSE(f.filters.addFilter());
  EXPECT_EQ(f.prompter.messages, (std::vector<std::string>{"当前没有选中任何章节!"}));
}

TEST(Filters, UnfilteringBringsTheChapterBack) {
  const struct {
    int order;
    std::vector<int> listed;  // chapter numbers after unfiltering c3
  } cases[] = {
      {kOrderStored, {1, 2, 3, 4, 5}},
      {kOrderName, {5, 4, 3, 2, 1}},
  };
  for (const auto& tc : cases) {
    FilterFixture f;
    // Names run against the stored order, so the two orders differ.
    std::vector<long long> ids;
    for (int i = 1; i <= 5; ++i) ids.push_back(f.add({std::string(1, char('f' - i)), i}));
    f.tmp.write("book/1/" + std::to_string(ids[2]) + ".txt", "正文\r\n");
    f.list.drawmulu(tc.order);
    f.list.selectOnly(*f.list.getzjTListItem(ids[2]));
    ASSERT_TRUE(f.filters.addFilter());
    f.clearRecords();
    ASSERT_TRUE(f.filters.delguolv(ids[2]));
    std::vector<long long> expected;
    for (int n : tc.listed) expected.push_back(ids[static_cast<std::size_t>(n - 1)]);
    EXPECT_EQ(f.listed(), expected) << "order " << tc.order;
    // The record, its state and its text are all still there.
    EXPECT_TRUE(f.exists(ids[2]));
    EXPECT_EQ(f.column(ids[2], "shifuxianshi"), 1);
    EXPECT_TRUE(std::filesystem::exists(chapterTextFile(f.tmp.dir(), f.book, ids[2])));
    EXPECT_TRUE(f.filters.entries().empty());
    EXPECT_EQ(f.observer.events, (std::vector<std::string>{"insert 2", "entry- 0"}));
    EXPECT_EQ(f.redraws, (std::vector<std::pair<long long, long long>>{{f.book, 5}}));
  }
}

TEST(Filters, UnfilteringADeletedChapterOnlyDropsTheEntry) {
  FilterFixture f;
  const auto ids = f.addChapters(2);
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(0, true);
  ASSERT_TRUE(f.filters.addFilter());
  ASSERT_TRUE(f.db->exec("DELETE FROM book_zhangjie WHERE zhangjieid=?", ids[0]));
  f.clearRecords();
  EXPECT_TRUE(f.filters.delguolv(ids[0]));
  EXPECT_EQ(f.listed(), (std::vector<long long>{ids[1]}));
  EXPECT_TRUE(f.filters.entries().empty());
  EXPECT_TRUE(f.redraws.empty());
}

TEST(Filters, AStoreThatRefusesChangesNothing) {
  FilterFixture f;
  f.addChapters(2);
  f.add({"hidden", 3, "", "", 0, 0});
  f.list.drawmulu(kOrderStored);
  f.filters.drawguolv();
  ASSERT_TRUE(f.db->execScript(
      "CREATE TRIGGER ro BEFORE UPDATE ON book_zhangjie BEGIN SELECT RAISE(ABORT,'no'); END"));
  f.list.setSelected(0, true);
  EXPECT_FALSE(f.filters.addFilter());
  EXPECT_EQ(f.list.size(), 2u);
  EXPECT_FALSE(f.filters.delguolv(3));
  EXPECT_EQ(f.entryIds(), (std::vector<long long>{3}));
  EXPECT_EQ(f.list.size(), 2u);
}

}  // namespace
}  // namespace mozhou::store
