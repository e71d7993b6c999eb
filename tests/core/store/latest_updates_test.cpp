#include "store/latest_updates.h"

#include <gtest/gtest.h>

#include "chapter_fixture.h"

namespace mozhou::store {
namespace {

using test::ChapterFixture;

TEST(LatestUpdates, NewestShownChaptersOfAllBooks) {
  ChapterFixture f;
  const long long other = f.addBook("另一本");
  const long long old = f.add({"旧", 1, "卷", "/old", 1, 1, "2024-01-01 00:00:00", 10});
  const long long b1 = f.add({"b1", 1, "", "/b1", 0, 1, "2024-02-01 00:00:00"}, other);
  const long long same1 = f.add({"s1", 2, "", "/s1", 0, 1, "2024-03-01 00:00:00"});
  const long long same2 = f.add({"s2", 3, "", "/s2", 0, 1, "2024-03-01 00:00:00"});
  f.add({"hidden", 4, "", "/h", 0, 0, "2024-04-01 00:00:00"});
  LatestUpdates latest(f.db.get());
  ASSERT_TRUE(latest.drawnewdlv());
  std::vector<long long> ids;
  for (const auto& r : latest.rows()) ids.push_back(r.id);
  // Equal times: the later place in the book first.
  EXPECT_EQ(ids, (std::vector<long long>{same2, same1, b1, old}));
  const LatestRow& r = latest.row(3);
  EXPECT_EQ(r.bookName, "书");
  const std::vector<std::string> sub = {
      "旧", "2024-01-01 00:00:00", "10", "卷", "/old", std::to_string(f.book), std::to_string(old)};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(r.subItem(i), sub[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(r.image, kImageRead);
  EXPECT_EQ(latest.getnzjTListItem(other, b1), 2u);
  EXPECT_EQ(latest.getnzjTListItem(f.book, b1), std::nullopt);
  // One row selectable.
  latest.setSelected(0, true);
  latest.setSelected(2, true);
  EXPECT_EQ(latest.selectedIndices(), (std::vector<std::size_t>{2}));
  EXPECT_EQ(latest.zjviewt(kTargetNext), 3u);
  EXPECT_EQ(latest.zjviewt(kTargetNext), 3u);
}

TEST(LatestUpdates, AtMostAHundredRows) {
  ChapterFixture f;
  Transaction tx(*f.db);
  for (int i = 0; i < 130; ++i) f.add({"c" + std::to_string(i), i});
  ASSERT_TRUE(tx.commit());
  LatestUpdates latest(f.db.get());
  latest.drawnewdlv();
  EXPECT_EQ(latest.size(), 100u);
  EXPECT_EQ(latest.row(0).name, "c129");  // same time: highest order number first
  LatestUpdates absent(nullptr);
  EXPECT_FALSE(absent.drawnewdlv());
  EXPECT_TRUE(absent.empty());
}

}  // namespace
}  // namespace mozhou::store
