#include "store/chapter_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "chapter_fixture.h"
#include "store/chapter_files.h"
#include "store/connection.h"

namespace mozhou::store {
namespace {

namespace fs = std::filesystem;
using test::ChapterFixture;

TEST(ChapterList, RowLayoutOfAChapter) {
  ChapterFixture f;
  const long long id =
      f.add({"第1章 开端", 1, "第一卷", "http://x/1.html", 1, 1, "2024-03-05 10:20:30", 3120});
  ASSERT_TRUE(f.list.drawmulu(kOrderStored));
  ASSERT_EQ(f.list.size(), 1u);
  const ChapterRow& r = f.list.row(0);
  EXPECT_EQ(r.name, "第1章 开端");
  const std::vector<std::string> sub = {"3120", "第一卷", "2024-03-05 10:20:30", "http://x/1.html",
                                        std::to_string(id)};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(r.subItem(i), sub[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(r.image, kImageRead);
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"reset"}));
}

TEST(ChapterList, EveryOrderListsOnlyShownChapters) {
  ChapterFixture f;
  // Each order puts these in a different sequence; equal order numbers fall back to the id.
  const long long a = f.add({"b", 2, "", "/3", 0, 1, "2024-01-03 00:00:00"});
  const long long b = f.add({"c", 1, "", "/1", 1, 1, "2024-01-01 00:00:00"});
  const long long c = f.add({"a", 2, "", "/2", 0, 1, "2024-01-02 00:00:00"});
  f.add({"0 hidden", 0, "", "/0", 0, 0, "2023-01-01 00:00:00"});
  const struct {
    int order;
    std::vector<long long> ids;
  } cases[] = {
      {kOrderStored, {b, a, c}},
      {kOrderName, {c, a, b}},
      {kOrderTime, {b, c, a}},
      {kOrderUrl, {b, c, a}},
  };
  for (const auto& tc : cases) {
    ASSERT_TRUE(f.list.drawmulu(tc.order));
    EXPECT_EQ(f.listed(), tc.ids) << "order " << tc.order;
    EXPECT_EQ(f.list.order(), tc.order);
  }
  // Drawing drops the selection.
  f.list.setSelected(0, true);
  f.list.drawmulu(kOrderStored);
  EXPECT_FALSE(f.list.hasSelection());
}

TEST(ChapterList, WithoutADatabaseEverythingFailsQuietly) {
  ChapterFixture f(false);
  f.list.setBook(1);
  EXPECT_FALSE(f.list.drawmulu(kOrderStored));
  EXPECT_TRUE(f.list.empty());
  f.list.mulubiaoj(3);
  f.list.zjpaix(kOrderName);
  f.list.checkredrawmulu(1);
  EXPECT_FALSE(f.list.zjrschange(1, 1, 1));
  EXPECT_FALSE(f.list.zjdelsql(1, 1));
  ChapterPropertiesForm form;
  f.list.openNewProperties(form);
  form.zjnm = "x";
  EXPECT_FALSE(f.list.saveProperties(form));
  EXPECT_EQ(f.prompter.messages, (std::vector<std::string>{"操作失败!"}));
}

TEST(ChapterList, NavigationTargets) {
  ChapterFixture f;
  f.add({"c1", 1, "", "", 1});
  f.add({"c2", 2, "", "", 0});
  f.add({"c3", 3, "", "", 1});
  f.list.drawmulu(kOrderStored);
  using R = std::optional<std::size_t>;
  const R none;
  const struct {
    R selected;
    std::string_view target;
    R expected;
  } cases[] = {
      {none, kTargetFirst, 0}, {none, kTargetEnd, 2},  {none, kTargetNoRead, 1},
      {none, kTargetNext, 0},  {none, kTargetLast, 0}, {none, "other", 0},
      {0, kTargetNext, 1},     {0, kTargetLast, 0},    {1, kTargetLast, 0},
      {1, kTargetNext, 2},     {2, kTargetNext, 2},    {2, kTargetLast, 1},
      {2, kTargetFirst, 0},    {0, kTargetEnd, 2},     {1, "other", none},
  };
  for (const auto& tc : cases) {
    f.list.clearSelection();
    if (tc.selected) f.list.setSelected(*tc.selected, true);
    EXPECT_EQ(f.list.getzjlt(tc.target), tc.expected)
        << tc.target << " from " << (tc.selected ? std::to_string(*tc.selected) : "none");
  }
  // The first selected row counts when several are.
  f.list.clearSelection();
  f.list.setSelected(2, true);
  f.list.setSelected(0, true);
  EXPECT_EQ(f.list.getzjlt(kTargetNext), 1u);
  // Nothing unread, and an empty list.
  f.list.mulubiaoj(3);
  EXPECT_EQ(f.list.getzjlt(kTargetNoRead), none);
  ChapterFixture empty;
  empty.list.drawmulu(kOrderStored);
  for (auto t : {kTargetFirst, kTargetEnd, kTargetNoRead, kTargetNext, kTargetLast})
    EXPECT_EQ(empty.list.getzjlt(t), none) << t;
}

TEST(ChapterList, MovingOnFromTheLastChapterShowsItAgain) {
  ChapterFixture f;
  f.addChapters(3);
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(2, true);
  f.list.setSelected(0, true);
  f.clearRecords();
  EXPECT_EQ(f.list.zjviewt(kTargetNext), 1u);  // from the first selected row
  EXPECT_EQ(f.list.selectedIndices(), (std::vector<std::size_t>{1}));
  EXPECT_EQ(f.list.zjviewt(kTargetEnd), 2u);
  f.clearRecords();
  EXPECT_EQ(f.list.zjviewt(kTargetNext), 2u);
  EXPECT_EQ(f.list.selectedIndices(), (std::vector<std::size_t>{2}));
  // Reported although the selection stayed, so that the view shows the chapter again.
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"selection", "scroll 2"}));
  ChapterFixture empty;
  empty.list.drawmulu(kOrderStored);
  EXPECT_EQ(empty.list.zjviewt(kTargetNext), std::nullopt);
}

TEST(ChapterList, SelectionCommands) {
  ChapterFixture f;
  // Rows: 0 read/卷一, 1 unread/卷一, 2 read/卷二, 3 unread/卷二, 4 unread/卷一
  f.add({"c0", 1, "卷一", "", 1});
  f.add({"c1", 2, "卷一", "", 0});
  f.add({"c2", 3, "卷二", "", 1});
  f.add({"c3", 4, "卷二", "", 0});
  f.add({"c4", 5, "卷一", "", 0});
  f.list.drawmulu(kOrderStored);
  using V = std::vector<std::size_t>;
  const struct {
    const char* name;
    V before;
    void (ChapterList::*command)();
    V after;
  } cases[] = {
      {"all", {3}, &ChapterList::selectAll, {0, 1, 2, 3, 4}},
      {"invert", {0, 3}, &ChapterList::invertSelection, {1, 2, 4}},
      {"read", {3}, &ChapterList::selectRead, {0, 2, 3}},
      {"unread", {0}, &ChapterList::selectUnread, {0, 1, 3, 4}},
      {"above", {4, 2}, &ChapterList::selectAbove, {0, 1, 2, 4}},
      {"above nothing", {}, &ChapterList::selectAbove, {}},
      {"volume", {3, 1}, &ChapterList::selectVolume, {0, 1, 3, 4}},
      {"volume nothing", {}, &ChapterList::selectVolume, {}},
  };
  for (const auto& tc : cases) {
    f.list.clearSelection();
    for (std::size_t i : tc.before) f.list.setSelected(i, true);
    f.observer.events.clear();
    (f.list.*tc.command)();
    EXPECT_EQ(f.list.selectedIndices(), tc.after) << tc.name;
    EXPECT_EQ(f.observer.count("selection"), tc.before == tc.after ? 0 : 1) << tc.name;
  }
}

TEST(ChapterList, MarksChangeImagesStoreAndCount) {
  using V = std::vector<int>;  // images of the five rows
  const struct {
    int mode;
    std::vector<std::size_t> selected;
    V images;
    std::string statement;  // "" when none may run
  } cases[] = {
      {0,
       {1, 3},
       {5, 5, 4, 5, 4},
       "readstate=1 WHERE bookid=1 AND zhangjieid IN (SELECT value FROM json_each('[2,4]'))"},
      {1,
       {0, 2},
       {4, 4, 4, 5, 4},
       "readstate=0 WHERE bookid=1 AND zhangjieid IN (SELECT value FROM json_each('[1,3]'))"},
      {2,
       {3, 4},
       {5, 5, 5, 5, 4},
       "readstate=1 WHERE bookid=1 AND zhangjieid IN (SELECT value FROM json_each('[1,2,3]'))"},
      {2, {0}, {5, 4, 4, 5, 4}, ""},
      {3, {}, {5, 5, 5, 5, 5}, "readstate=1 WHERE bookid=1"},
      {4, {}, {4, 4, 4, 4, 4}, "readstate=0 WHERE bookid=1"},
  };
  for (const auto& tc : cases) {
    ChapterFixture f;
    for (int i = 1; i <= 5; ++i) f.add({"c" + std::to_string(i), i, "", "", i == 1 || i == 4});
    const long long hidden = f.add({"hidden", 6, "", "", 0, 0});
    f.list.drawmulu(kOrderStored);
    for (std::size_t i : tc.selected) f.list.setSelected(i, true);
    f.clearRecords();
    f.list.mulubiaoj(tc.mode);
    V images;
    for (const auto& r : f.list.rows()) images.push_back(r.image);
    EXPECT_EQ(images, tc.images) << "mode " << tc.mode;
    // The store holds what the rows show.
    for (std::size_t i = 0; i < 5; ++i)
      EXPECT_EQ(f.column(f.list.row(i).id, "readstate"), images[i] - 4) << tc.mode << " " << i;
    const auto w = f.writes();
    if (tc.statement.empty()) {
      EXPECT_TRUE(w.empty()) << "mode " << tc.mode << ": " << w.front();
    } else {
      ASSERT_EQ(w.size(), 1u) << "mode " << tc.mode;
      EXPECT_EQ(w[0], "UPDATE book_zhangjie SET " + tc.statement);
    }
    // Modes 3 and 4 also mark the filtered chapter; the count never includes it.
    EXPECT_EQ(f.column(hidden, "readstate"), tc.mode == 3 ? 1 : 0);
    long long unreadRows = 0;
    for (int img : images) unreadRows += img == kImageUnread;
    EXPECT_EQ(f.redraws, (std::vector<std::pair<long long, long long>>{{f.book, unreadRows}}))
        << "mode " << tc.mode;
  }
}

TEST(ChapterList, MarksThatNeedASelectionDoNothingWithout) {
  ChapterFixture f;
  f.addChapters(2);
  f.list.drawmulu(kOrderStored);
  f.clearRecords();
  for (int mode : {0, 1, 2}) f.list.mulubiaoj(mode);
  EXPECT_TRUE(f.writes().empty());
  EXPECT_TRUE(f.redraws.empty());
  EXPECT_TRUE(f.observer.events.empty());
}

TEST(ChapterList, ReadStateOfOneChapterStepsTheCount) {
  ChapterFixture f;
  const long long only = f.add({"c1", 1});
  std::vector<std::pair<long long, int>> steps;
  f.list.setUnreadStep([&](long long b, int d) { steps.push_back({b, d}); });
  // A book with one unread chapter: one step down, which the bookshelf shows as "(0)".
  EXPECT_TRUE(f.list.zjrschange(f.book, only, 1));
  EXPECT_EQ(steps, (std::vector<std::pair<long long, int>>{{f.book, -1}}));
  EXPECT_EQ(f.column(only, "readstate"), 1);
  f.statements.clear();
  EXPECT_TRUE(f.list.zjrschange(f.book, only, 1));  // already read: nothing runs
  EXPECT_TRUE(f.writes().empty());
  EXPECT_TRUE(f.list.zjrschange(f.book, only, 0));
  EXPECT_TRUE(f.list.zjrschange(f.book, 999, 1));  // no such chapter: no step
  EXPECT_EQ(steps, (std::vector<std::pair<long long, int>>{{f.book, -1}, {f.book, 1}}));
  EXPECT_TRUE(f.redraws.empty());
  // Without a step hook the bookshelf recounts instead.
  f.list.setUnreadStep({});
  EXPECT_TRUE(f.list.zjrschange(f.book, only, 1));
  EXPECT_EQ(f.redraws, (std::vector<std::pair<long long, long long>>{{f.book, 0}}));
}

TEST(ChapterList, DeletingSelectedChaptersRemovesRecordsFilesAndPictures) {
  ChapterFixture f;
  std::vector<long long> ids;
  for (int i = 1; i <= 5; ++i) ids.push_back(f.add({"c" + std::to_string(i), i, "", "", i == 3}));
  const app::ProgramDir dir = f.tmp.dir();
  for (long long id : ids) {
    f.tmp.write("book/1/" + std::to_string(id) + ".txt", "text\r\n");
    f.tmp.write("book/1/" + std::to_string(id) + "/a.jpg", "jpg");
  }
  f.list.drawmulu(kOrderStored);
  f.select({ids[0], ids[2], ids[4]});  // two unread, one read

  f.prompter.answers = {false};
  f.list.zjdel();
  EXPECT_EQ(f.prompter.questions, (std::vector<std::string>{"确实要删除选中章节？"}));
  EXPECT_EQ(f.list.size(), 5u);
  EXPECT_TRUE(f.redraws.empty());

  f.clearRecords();
  f.list.zjdel();
  EXPECT_EQ(f.listed(), (std::vector<long long>{ids[1], ids[3]}));
  EXPECT_EQ(f.observer.events,
            (std::vector<std::string>{"remove 4", "remove 2", "remove 0", "selection"}));
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const bool gone = i % 2 == 0;
    EXPECT_EQ(f.exists(ids[i]), !gone) << i;
    EXPECT_EQ(fs::exists(chapterTextFile(dir, f.book, ids[i])), !gone) << i;
    EXPECT_EQ(fs::exists(chapterPictureDir(dir, f.book, ids[i])), !gone) << i;
  }
  EXPECT_EQ(f.redraws, (std::vector<std::pair<long long, long long>>{{f.book, 2}}));

  f.list.clearSelection();
  f.list.zjdel();
  EXPECT_EQ(f.prompter.messages, (std::vector<std::string>{"当前没有选中任何章节!"}));
}

TEST(ChapterList, AChapterWhoseRecordCannotBeDeletedKeepsItsFiles) {
  ChapterFixture f;
  const long long id = f.add({"c1", 1});
  f.tmp.write("book/1/" + std::to_string(id) + ".txt", "text\r\n");
  ASSERT_TRUE(f.db->execScript(
      "CREATE TRIGGER keep BEFORE DELETE ON book_zhangjie BEGIN SELECT RAISE(ABORT,'no'); END"));
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(0, true);
  f.list.zjdel();
  EXPECT_TRUE(f.exists(id));
  EXPECT_EQ(f.listed(), (std::vector<long long>{id}));
  EXPECT_TRUE(fs::exists(chapterTextFile(f.tmp.dir(), f.book, id)));
  EXPECT_FALSE(f.list.zjdelsql(f.book, id));
  EXPECT_TRUE(fs::exists(chapterTextFile(f.tmp.dir(), f.book, id)));
}

TEST(ChapterList, DraggingLeavesTheOrderNumbers) {
  const struct {
    int from, onto;               // order numbers of c1..c6 (1..6)
    std::vector<long long> paix;  // of c1..c6 afterwards
    std::vector<int> list;        // chapters by number, in list order
  } cases[] = {
      {2, 5, {1, 4, 2, 3, 5, 6}, {1, 3, 4, 2, 5, 6}},
      {5, 2, {1, 3, 4, 5, 2, 6}, {1, 5, 2, 3, 4, 6}},
      {1, 6, {5, 1, 2, 3, 4, 6}, {2, 3, 4, 5, 1, 6}},
      {6, 1, {2, 3, 4, 5, 6, 1}, {6, 1, 2, 3, 4, 5}},
  };
  for (const auto& tc : cases) {
    ChapterFixture f;
    const auto ids = f.addChapters(6);
    f.list.drawmulu(kOrderStored);
    f.list.setSelected(static_cast<std::size_t>(tc.from - 1), true);
    f.list.setMoveLocked(false);
    f.clearRecords();
    ASSERT_TRUE(f.list.drop(static_cast<std::size_t>(tc.onto - 1)));
    std::vector<long long> paix, expected;
    for (long long id : ids) paix.push_back(f.column(id, "paix"));
    EXPECT_EQ(paix, tc.paix) << tc.from << "->" << tc.onto;
    for (int n : tc.list) expected.push_back(ids[static_cast<std::size_t>(n - 1)]);
    EXPECT_EQ(f.listed(), expected);
    EXPECT_EQ(f.storedOrder(), expected);  // reopening shows the same order
    // The moved row keeps its selection and no selection change is reported.
    EXPECT_EQ(f.selectedIds(),
              (std::vector<long long>{ids[static_cast<std::size_t>(tc.from - 1)]}));
    EXPECT_EQ(f.observer.count("selection"), 0);
    EXPECT_EQ(f.observer.events.size(), 2u);
  }
}

TEST(ChapterList, DragAcceptanceAndTheMoveLock) {
  ChapterFixture f;
  f.addChapters(3);
  f.list.drawmulu(kOrderStored);
  EXPECT_TRUE(f.list.moveLocked());
  EXPECT_FALSE(f.list.canDrag());
  f.list.setSelected(0, true);
  EXPECT_FALSE(f.list.acceptsDrop(2));
  EXPECT_FALSE(f.list.drop(2));
  f.list.toggleMoveLock();
  EXPECT_TRUE(f.list.canDrag());
  EXPECT_FALSE(f.list.acceptsDrop(0));  // onto itself
  EXPECT_TRUE(f.list.acceptsDrop(2));
  EXPECT_FALSE(f.list.acceptsDrop(3));  // no such row
  EXPECT_FALSE(f.list.drop(std::nullopt));
  f.list.clearSelection();
  EXPECT_FALSE(f.list.acceptsDrop(2));
  EXPECT_EQ(f.listed(), f.storedOrder());
}

TEST(ChapterList, AMoveOfAnUnknownChapterWritesNothing) {
  ChapterFixture f;
  const auto ids = f.addChapters(3);
  f.list.drawmulu(kOrderStored);
  ASSERT_TRUE(f.db->exec("DELETE FROM book_zhangjie WHERE zhangjieid=?", ids[2]));
  f.statements.clear();
  f.list.zjmove(2, 0);
  EXPECT_TRUE(f.writes().empty());
  EXPECT_EQ(f.listed(), (std::vector<long long>{ids[2], ids[0], ids[1]}));
}

TEST(ChapterList, SortingRewritesTheStoredOrder) {
  ChapterFixture f;
  const long long c = f.add({"c", 1, "", "/b"});
  const long long a = f.add({"a", 2, "", "/c"});
  const long long hidden = f.add({"h", 3, "", "/0", 0, 0});
  const long long b = f.add({"b", 4, "", "/a"});
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(0, true);  // c
  f.clearRecords();
  f.list.zjpaix(kOrderName);
  EXPECT_EQ(f.listed(), (std::vector<long long>{a, b, c}));
  EXPECT_EQ(f.selectedIds(), (std::vector<long long>{c}));
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"reset", "selection", "scroll 2"}));
  EXPECT_EQ(f.column(a, "paix"), 1);
  EXPECT_EQ(f.column(b, "paix"), 2);
  EXPECT_EQ(f.column(c, "paix"), 3);
  EXPECT_EQ(f.column(hidden, "paix"), 3);  // filtered chapters keep theirs

  // Opening the book again shows the name order.
  ChapterList again(f.db.get(), f.tmp.dir(), f.prompter);
  again.setBook(f.book);
  again.drawmulu(kOrderStored);
  std::vector<long long> reopened;
  for (const auto& r : again.rows()) reopened.push_back(r.id);
  EXPECT_EQ(reopened, (std::vector<long long>{a, b, c}));

  // Without a selection the first row is selected.
  f.list.clearSelection();
  f.list.zjpaix(kOrderUrl);
  EXPECT_EQ(f.listed(), (std::vector<long long>{b, c, a}));
  EXPECT_EQ(f.selectedIds(), (std::vector<long long>{b}));
  EXPECT_TRUE(f.prompter.messages.empty());
}

TEST(ChapterList, SortingAnEmptyListDoesNothing) {
  ChapterFixture f;
  f.list.drawmulu(kOrderStored);
  f.clearRecords();
  f.list.zjpaix(kOrderName);
  EXPECT_TRUE(f.writes().empty());
  EXPECT_TRUE(f.prompter.messages.empty());
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"reset"}));
}

TEST(ChapterList, ColumnHeadersAskBeforeSorting) {
  const struct {
    int column;
    const char* question;  // nullptr: the column does not sort
    int order;
  } cases[] = {
      {0, "确认按章节名称排序？", kOrderName},
      {1, nullptr, kOrderStored},
      {2, nullptr, kOrderStored},
      {3, "确认按更新时间排序？", kOrderTime},
      {4, "确认按章节地址排序？", kOrderUrl},
  };
  for (const auto& tc : cases) {
    for (bool answer : {false, true}) {
      ChapterFixture f;
      f.addChapters(2);
      f.list.drawmulu(kOrderStored);
      f.prompter.answers = {answer};
      f.list.columnClick(tc.column);
      if (!tc.question) {
        EXPECT_TRUE(f.prompter.questions.empty()) << tc.column;
        continue;
      }
      EXPECT_EQ(f.prompter.questions, (std::vector<std::string>{tc.question}));
      EXPECT_EQ(f.list.order(), answer ? tc.order : kOrderStored) << tc.column;
    }
  }
}

TEST(ChapterList, RedrawAfterAnUpdateKeepsTheSelectionQuietly) {
  ChapterFixture f;
  const auto ids = f.addChapters(3);
  f.list.drawmulu(kOrderName);
  f.select({ids[1], ids[2]});
  // The update worker adds a chapter on its own connection.
  auto worker = openWorkerConnection(f.tmp.dir());
  ASSERT_TRUE(worker->exec(
      "INSERT INTO book_zhangjie (bookid,zhangjiename,zhangjieurl,paix) VALUES (?,'c0','/0',0)",
      f.book));
  const long long added = worker->lastInsertId();
  f.clearRecords();
  f.list.checkredrawmulu(f.book + 1);  // another book: nothing
  EXPECT_TRUE(f.observer.events.empty());
  f.list.checkredrawmulu(f.book);
  EXPECT_EQ(f.listed(), (std::vector<long long>{added, ids[0], ids[1], ids[2]}));
  EXPECT_EQ(f.list.order(), kOrderStored);
  EXPECT_EQ(f.selectedIds(), (std::vector<long long>{ids[1], ids[2]}));
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"reset", "scroll 2"}));
}

TEST(ChapterList, PropertiesEditAddAndInsert) {
  ChapterFixture f;
  const auto ids = f.addChapters(3);
  f.list.drawmulu(kOrderStored);
  ChapterPropertiesForm form;
  EXPECT_FALSE(f.list.openEditProperties(form));  // need a selected row
  EXPECT_FALSE(f.list.openInsertProperties(form));

  // Edit: the fields come from the row, the new values go to the row and the store.
  f.list.setSelected(1, true);
  ASSERT_TRUE(f.list.openEditProperties(form));
  EXPECT_EQ(form.zjnm, "c2");
  EXPECT_EQ(form.zjml, "/c2");
  EXPECT_EQ(form.saveCaption, "修改");
  form.zjnm = "它's \"新\"名";
  form.fjnm = "卷";
  f.observer.events.clear();
  EXPECT_TRUE(f.list.saveProperties(form));
  EXPECT_EQ(f.list.row(1).name, "它's \"新\"名");
  EXPECT_EQ(f.list.row(1).volume, "卷");
  EXPECT_EQ(f.observer.events, (std::vector<std::string>{"change 1"}));
  Statement st =
      f.db->prepare("SELECT zhangjiename,fenjuanname FROM book_zhangjie WHERE zhangjieid=?");
  st.bind(1, ids[1]);
  ASSERT_TRUE(st.step());
  EXPECT_EQ(st.text("zhangjiename"), "它's \"新\"名");
  EXPECT_EQ(st.text("fenjuanname"), "卷");
  // Saving an edit away from the reading page changes nothing.
  form.zjnm = "elsewhere";
  EXPECT_TRUE(f.list.saveProperties(form, false));
  EXPECT_EQ(f.list.row(1).name, "它's \"新\"名");

  // An empty name keeps the dialog open; blanks are a name.
  f.list.openNewProperties(form);
  EXPECT_EQ(form.saveCaption, "新增");
  EXPECT_TRUE(form.zjnm.empty());
  EXPECT_FALSE(f.list.saveProperties(form));
  EXPECT_EQ(f.prompter.messages, (std::vector<std::string>{"章节名称不可为空!"}));
  form.zjnm = "  ";
  form.zjml = "/new";
  EXPECT_TRUE(f.list.saveProperties(form));
  ASSERT_EQ(f.list.size(), 4u);
  const long long added = f.list.row(3).id;
  EXPECT_EQ(f.list.row(3).name, "  ");
  EXPECT_EQ(f.column(added, "paix"), 4);
  EXPECT_EQ(f.column(added, "zishutongji"), 0);

  // Insert: the new chapter goes before the selected one, in the list and the store.
  ASSERT_TRUE(f.list.openInsertProperties(form));
  EXPECT_EQ(form.saveCaption, "插入");
  form.zjnm = "插";
  EXPECT_TRUE(f.list.saveProperties(form));
  const long long inserted = f.list.row(1).id;
  EXPECT_EQ(f.list.row(1).name, "插");
  EXPECT_EQ(f.listed(), (std::vector<long long>{ids[0], inserted, ids[1], ids[2], added}));
  EXPECT_EQ(f.storedOrder(), f.listed());
  EXPECT_EQ(f.selectedIds(), (std::vector<long long>{ids[1]}));
  EXPECT_EQ(f.prompter.messages.size(), 1u);
}

TEST(ChapterList, PropertiesReportAStoreFailure) {
  ChapterFixture f;
  f.addChapters(1);
  f.list.drawmulu(kOrderStored);
  f.list.setSelected(0, true);
  ASSERT_TRUE(f.db->execScript(
      "CREATE TRIGGER ro1 BEFORE UPDATE ON book_zhangjie BEGIN SELECT RAISE(ABORT,'no'); END;"
      "CREATE TRIGGER ro2 BEFORE INSERT ON book_zhangjie BEGIN SELECT RAISE(ABORT,'no'); END;"));
  ChapterPropertiesForm form;
  for (auto open : {&ChapterList::openEditProperties, &ChapterList::openInsertProperties}) {
    ASSERT_TRUE((f.list.*open)(form));
    form.zjnm = "x";
    EXPECT_FALSE(f.list.saveProperties(form));
  }
  EXPECT_EQ(f.prompter.messages, (std::vector<std::string>{"操作失败!", "操作失败!"}));
  EXPECT_EQ(f.list.row(0).name, "c1");
  EXPECT_EQ(f.list.size(), 1u);
}

}  // namespace
}  // namespace mozhou::store
