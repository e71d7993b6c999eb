// Updating novels from the demo site, through the real worker thread, fetcher and database.
#include "engine/update_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/files.h"
#include "app/main_thread.h"
#include "engine/site_rules.h"
#include "store/shelf.h"
#include "support/demo_program.h"

namespace mozhou::engine {
namespace {

using namespace std::chrono_literals;
using testing::DemoProgram;
using testing::RecordingPrompter;

class RecordingView : public UpdateView {
 public:
  explicit RecordingView(store::Shelf& shelf) : shelf_(shelf) {}
  void indicatorsChanged(const UpdateIndicators& ind) override {
    sections.push_back(ind.section1);
    active = ind.active;
  }
  void setBookImage(long long bookId, int image) override {
    images.emplace_back(bookId, image);
    shelf_.setUpdating(bookId, image == 3);
  }
  void bookUpdated(long long bookId) override {
    updated.push_back(bookId);
    shelf_.redrawbookx(bookId);
  }
  std::vector<long long> selectedChapterIds() override { return selection; }
  std::vector<QueueNode> displayOrder() override {
    std::vector<QueueNode> out;
    for (const store::ShelfNode* n : shelf_.nodesInTreeOrder()) {
      QueueNode q;
      q.level = n->level();
      q.bookId = n->isBook() ? n->id() : 0;
      q.categoryId = n->isBook() ? n->parent()->id() : n->id();
      q.downtype = n->item().downtype;
      out.push_back(q);
    }
    return out;
  }
  void expandCategory(long long) override {}
  std::optional<UpdateBook> book(long long id) override {
    const store::ShelfNode* n = shelf_.getbn(id);
    if (!n) return std::nullopt;
    return UpdateBook{n->id(), n->item().name, n->item().muluurl};
  }
  void setQueueTimer(bool on) override { queueTimer = on; }

  std::vector<std::string> sections;
  std::vector<std::pair<long long, int>> images;
  std::vector<long long> updated;
  std::vector<long long> selection;
  bool active = false;
  bool queueTimer = false;

 private:
  store::Shelf& shelf_;
};

struct NoUpdates : store::UpdateControl {
  bool updateRunning() const override { return true; }
  void startBookUpdate(long long) override {}
  void stopUpdate() override {}
};

class UpdateRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program.ready);
    db = program.open();
    shelf = std::make_unique<store::Shelf>(db.get(), program.dir(), prompter, noUpdates, current);
    shelf->drawbookpanel();
    rules.load(program.dir());
    view = std::make_unique<RecordingView>(*shelf);
    updater = std::make_unique<Updater>(program.dir(), queue, rules, *view);
  }

  long long addBook(const std::string& novelId, int downtype = 0) {
    const auto novel = program.site.novel(novelId);
    EXPECT_TRUE(novel) << novelId;
    const store::ShelfNode* node =
        shelf->newbook_do(novel->name, novel->author, true, downtype, novel->tocAddress, "分类");
    EXPECT_NE(node, nullptr);
    return node ? node->id() : 0;
  }

  UpdateBook book(long long id) { return *view->book(id); }

  // Pumps the main thread until no run is active and the queue has stopped.
  void runToEnd() {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    auto lastTick = std::chrono::steady_clock::now();
    while ((updater->runActive() || view->queueTimer) &&
           std::chrono::steady_clock::now() < deadline) {
      queue.pumpFor(10);
      if (view->queueTimer && std::chrono::steady_clock::now() - lastTick >= 100ms) {
        lastTick = std::chrono::steady_clock::now();
        updater->queueTick();
      }
    }
    updater->joinFinished();
    queue.pump();
    ASSERT_FALSE(updater->runActive());
  }

  struct Row {
    long long id;
    std::string name, volume, url;
    long long words, read, paix;
  };
  std::vector<Row> chapters(long long bookId) {
    std::vector<Row> rows;
    store::Statement st =
        db->prepare("SELECT * FROM book_zhangjie WHERE bookid=? ORDER BY paix, zhangjieid");
    st.bind(1, bookId);
    while (st.step())
      rows.push_back({st.integer("zhangjieid"), st.text("zhangjiename"), st.text("fenjuanname"),
                      st.text("zhangjieurl"), st.integer("zishutongji"), st.integer("readstate"),
                      st.integer("paix")});
    return rows;
  }
  std::filesystem::path chapterFile(long long book, long long chapter) {
    return program.dir().path("book/" + std::to_string(book) + "/" + std::to_string(chapter) +
                              ".txt");
  }

  DemoProgram program;
  std::unique_ptr<store::Database> db;
  RecordingPrompter prompter;
  NoUpdates noUpdates;
  store::CurrentBook current;
  std::unique_ptr<store::Shelf> shelf;
  RuleText rules;
  app::TaskQueue queue;
  std::unique_ptr<RecordingView> view;
  std::unique_ptr<Updater> updater;
};

TEST_F(UpdateRunTest, AddingANovelDownloadsEveryChapterAndASecondUpdateAddsNothing) {
  const long long id = addBook("1021");
  updater->startRun(book(id), 0);
  EXPECT_TRUE(updater->runActive());
  EXPECT_EQ(updater->indicators().downCaption, "停止更新");
  runToEnd();

  const auto expected = program.site.chapters("1021");
  const auto rows = chapters(id);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].name, expected[i].name);
    EXPECT_EQ(rows[i].url, expected[i].address);
    EXPECT_EQ(rows[i].paix, static_cast<long long>(i + 1));
    EXPECT_GT(rows[i].words, 0) << rows[i].name;
    EXPECT_EQ(rows[i].read, 0);
    const auto text = app::readTextFile(chapterFile(id, rows[i].id));
    ASSERT_TRUE(text) << rows[i].name;
    EXPECT_EQ(text->find("&nbsp;"), std::string::npos);
  }
  // The chapter with pictures: local files and rewritten tags.
  bool sawPicture = false;
  for (const Row& r : rows) {
    const auto dirPath =
        program.dir().path("book/" + std::to_string(id) + "/" + std::to_string(r.id));
    if (!std::filesystem::exists(dirPath)) continue;
    sawPicture = true;
    EXPECT_TRUE(std::filesystem::exists(dirPath / "0.png"));
    const std::string text = *app::readTextFile(chapterFile(id, r.id));
    EXPECT_NE(text.find("<img src=\""), std::string::npos);
    EXPECT_EQ(text.find("http://"), std::string::npos);
  }
  EXPECT_TRUE(sawPicture);
  EXPECT_EQ(view->sections.back(), "更新停止");
  EXPECT_EQ(view->images.front(), std::make_pair(id, 3));
  EXPECT_EQ(view->images.back(), std::make_pair(id, 2));
  EXPECT_EQ(shelf->getbn(id)->text(),
            shelf->getbn(id)->item().name + "(" + std::to_string(expected.size()) + ")");
  EXPECT_TRUE(prompter.messages.empty());

  const auto served = program.site.requests(demo::RequestKind::Chapter);
  updater->startRun(book(id), 0);
  runToEnd();
  EXPECT_EQ(chapters(id).size(), expected.size());
  EXPECT_EQ(program.site.requests(demo::RequestKind::Chapter), served);  // nothing fetched again
}

TEST_F(UpdateRunTest, APublishedChapterIsAddedAtTheEndUnread) {
  const long long id = addBook("1022");
  updater->startRun(book(id), 0);
  runToEnd();
  const std::size_t before = chapters(id).size();
  db->exec("UPDATE book_zhangjie SET readstate=1 WHERE bookid=?", id);
  ASSERT_GT(program.site.publishChapter("1022"), 0);
  updater->startRun(book(id), 0);
  runToEnd();
  const auto rows = chapters(id);
  ASSERT_EQ(rows.size(), before + 1);
  EXPECT_EQ(rows.back().name, program.site.chapters("1022").back().name);
  EXPECT_EQ(rows.back().read, 0);
  EXPECT_GT(rows.back().words, 0);
  EXPECT_EQ(rows.back().paix, static_cast<long long>(before + 1));
  EXPECT_EQ(shelf->getbn(id)->item().unread, 1);
}

TEST_F(UpdateRunTest, AFailingChapterStaysNotDownloadedUntilTheNextUpdate) {
  const long long id = addBook("1021");
  ASSERT_TRUE(program.site.setChapterFailing("1021", 3, true));
  updater->startRun(book(id), 0);
  runToEnd();
  auto rows = chapters(id);
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[2].words, 0);
  EXPECT_FALSE(std::filesystem::exists(chapterFile(id, rows[2].id)));
  EXPECT_GT(rows[3].words, 0);  // the run went on past the failure

  program.site.setChapterFailing("1021", 3, false);
  updater->startRun(book(id), 0);
  runToEnd();
  rows = chapters(id);
  EXPECT_GT(rows[2].words, 0);
  EXPECT_TRUE(std::filesystem::exists(chapterFile(id, rows[2].id)));
}

TEST_F(UpdateRunTest, StoppingMidRunLeavesNoHalfWrittenChapter) {
  const long long id = addBook("1021");
  program.site.setChapterDelay(300ms);
  updater->startRun(book(id), 0);
  // Wait until the first chapter is being fetched, then stop.
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline &&
         (view->sections.empty() || view->sections.back().rfind("更新章节 ", 0) != 0))
    queue.pumpFor(10);
  updater->stopdown();
  EXPECT_FALSE(updater->runActive());
  EXPECT_EQ(updater->indicators().section1, "更新停止");
  const auto sectionsAtStop = view->sections.size();
  program.site.setChapterDelay(0ms);
  updater->joinFinished();
  queue.pump();
  EXPECT_EQ(view->sections.size(), sectionsAtStop);  // the stopped run leaves the bar alone
  const auto rows = chapters(id);
  ASSERT_FALSE(rows.empty());
  int downloaded = 0;
  for (const Row& r : rows) {
    const bool file = std::filesystem::exists(chapterFile(id, r.id));
    EXPECT_EQ(file, r.words > 0) << r.name;  // a count only over a whole file, and vice versa
    downloaded += r.words > 0;
  }
  EXPECT_LT(downloaded, static_cast<int>(rows.size()));
  const auto bookDir = program.dir().path("book/" + std::to_string(id));
  if (std::filesystem::exists(bookDir)) {
    for (const auto& e : std::filesystem::directory_iterator(bookDir)) {
      EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }
  }
}

TEST_F(UpdateRunTest, UpdateAllSkipsBooksThatAreNoLongerUpdated) {
  const long long a = addBook("1021");
  const long long b = addBook("1022", 1);
  const long long c = addBook("2001");
  updater->downallbClick();
  EXPECT_TRUE(view->queueTimer);
  runToEnd();
  EXPECT_FALSE(view->queueTimer);
  EXPECT_FALSE(chapters(a).empty());
  EXPECT_TRUE(chapters(b).empty());
  const auto utf8 = chapters(c);
  ASSERT_EQ(utf8.size(), program.site.chapters("2001").size());
  EXPECT_EQ(utf8.front().name, program.site.chapters("2001").front().name);  // UTF-8 converted
  for (const Row& r : utf8) EXPECT_GT(r.words, 0);
}

TEST_F(UpdateRunTest, UpdateAllWithEveryBookExcludedStopsAtTheFirstTick) {
  addBook("1021", 1);
  updater->startUpdateAll();
  updater->queueTick();
  EXPECT_FALSE(view->queueTimer);
  EXPECT_FALSE(updater->runActive());
}

TEST_F(UpdateRunTest, ModeOneDownloadsTheChosenChaptersAgain) {
  const long long id = addBook("1022");
  updater->startRun(book(id), 0);
  runToEnd();
  auto rows = chapters(id);
  ASSERT_GE(rows.size(), 3u);
  // Spoil two chapters, hide one of them: only the shown one comes back.
  ASSERT_TRUE(app::writeTextFile(chapterFile(id, rows[0].id), "x"));
  ASSERT_TRUE(app::writeTextFile(chapterFile(id, rows[1].id), "x"));
  db->exec("UPDATE book_zhangjie SET zishutongji=1 WHERE zhangjieid IN (?,?)", rows[0].id,
           rows[1].id);
  db->exec("UPDATE book_zhangjie SET shifuxianshi=0 WHERE zhangjieid=?", rows[1].id);
  view->selection = {rows[0].id, rows[1].id};
  updater->startRun(book(id), 1);
  runToEnd();
  rows = chapters(id);
  EXPECT_EQ(rows[0].words, chapters(id)[0].words);
  EXPECT_GT(rows[0].words, 1);
  EXPECT_NE(*app::readTextFile(chapterFile(id, rows[0].id)), "x\r\n");
  EXPECT_EQ(rows[1].words, 1);
  EXPECT_EQ(*app::readTextFile(chapterFile(id, rows[1].id)), "x\r\n");
}

TEST_F(UpdateRunTest, ModeOneWithoutSelectionEndsAtOnce) {
  const long long id = addBook("1022");
  updater->startRun(book(id), 1);
  runToEnd();
  EXPECT_TRUE(chapters(id).empty());
  EXPECT_EQ(view->sections.back(), "更新停止");
}

TEST_F(UpdateRunTest, ABookWithoutSiteRecordEndsSilently) {
  const store::ShelfNode* node =
      shelf->newbook_do("无名", "", true, 0, "http://127.0.0.1:1/nowhere/", "分类");
  ASSERT_NE(node, nullptr);
  updater->startRun(book(node->id()), 0);
  runToEnd();
  EXPECT_EQ(view->sections.front(), "开始更新...");
  EXPECT_EQ(view->sections.back(), "更新停止");
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_EQ(program.site.requests(demo::RequestKind::TableOfContents), 0u);
}

TEST_F(UpdateRunTest, CommandsRefuseWhileARunIsActive) {
  const long long id = addBook("1021");
  program.site.setChapterDelay(200ms);
  updater->menuDownload(book(id), prompter);
  EXPECT_TRUE(updater->runActive());
  updater->menuDownload(book(id), prompter);
  updater->menuUpdateAll(prompter);
  updater->redownloadBlank(book(id), prompter);
  updater->redownloadSelected(book(id), false, prompter);
  updater->menuDownload(std::nullopt, prompter);
  EXPECT_EQ(prompter.messages,
            (std::vector<std::string>{"当前有小说正在更新，不可以同时更新多本小说!",
                                      "当前有小说正在更新，不可以同时更新多本小说!",
                                      "当前下载更新进程执行中，不可以执行该操作!",
                                      "当前没有选中任何章节!", "当前没有选中小说!"}));
  // "更新全部" while a run is active stops it and starts nothing.
  updater->downallbClick();
  EXPECT_FALSE(updater->runActive());
  EXPECT_FALSE(view->queueTimer);
  program.site.setChapterDelay(0ms);
  updater->joinFinished();
}

}  // namespace
}  // namespace mozhou::engine
