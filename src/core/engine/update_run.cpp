#include "engine/update_run.h"

#include <chrono>
#include <future>

#include "engine/content.h"
#include "engine/fetcher.h"
#include "engine/rule_expr.h"
#include "engine/toc_sync.h"
#include "store/connection.h"
#include "store/database.h"

namespace mozhou::engine {

namespace {
constexpr int kRunning = 1;
constexpr int kEnded = 2;
}  // namespace

struct Updater::Run {
  UpdateBook book;
  int mode = 0;
  std::atomic<int> state{kRunning};
  std::atomic<bool> finished{false};
  bool endStepsDone = false;  // main thread only
  bool stopped() const { return state.load() == kEnded; }
};

Updater::Updater(app::ProgramDir dir, app::MainThread& mainThread, const RuleText& rules,
                 UpdateView& view)
    : dir_(std::move(dir)),
      main_(mainThread),
      rules_(rules),
      view_(view),
      downloadMutex_(std::make_shared<std::mutex>()),
      alive_(std::make_shared<bool>(true)) {}

Updater::~Updater() {
  alive_.reset();
  for (Worker& w : workers_) w.run->state = kEnded;
  for (Worker& w : workers_)
    if (w.thread.joinable()) w.thread.join();
}

void Updater::joinFinished() {
  for (Worker& w : workers_)
    if (w.thread.joinable()) w.thread.join();
  workers_.clear();
}

void Updater::post(std::function<void()> fn) {
  std::weak_ptr<bool> alive = alive_;
  main_.post([alive, fn = std::move(fn)] {
    if (alive.lock()) fn();
  });
}

void Updater::publish() { view_.indicatorsChanged(indicators_); }

void Updater::showIdle() {
  indicators_.section1 = "更新停止";
  indicators_.stopIcon = false;
  indicators_.downallCaption = "更新全部";
  indicators_.downCaption = "更新";
  indicators_.active = false;
  publish();
}

void Updater::startRun(const UpdateBook& book, int mode) {
  // Reap workers that have left.
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->run->finished) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
  auto run = std::make_shared<Run>();
  run->book = book;
  run->mode = mode;
  current_ = run;
  view_.setBookImage(book.id, 3);
  indicators_.section0 = "更新小说 " + book.name;
  indicators_.section1 = "开始更新...";
  indicators_.stopIcon = true;
  indicators_.downallCaption = "停止更新";
  indicators_.downCaption = "停止更新";
  indicators_.active = true;
  publish();
  workers_.push_back({std::thread([this, run] {
                        work(run);
                        run->finished = true;
                      }),
                      run});
}

void Updater::setSection1(const std::shared_ptr<Run>& run, std::string text) {
  post([this, run, text = std::move(text)] {
    // A stopped run no longer owns the status bar.
    if (run->endStepsDone || run != current_) return;
    indicators_.section1 = text;
    publish();
  });
}

void Updater::endSteps(const std::shared_ptr<Run>& run) {
  run->state = kEnded;
  if (run->endStepsDone) return;
  run->endStepsDone = true;
  if (run->book.id != 0) {
    view_.bookUpdated(run->book.id);
    view_.setBookImage(run->book.id, 2);
  }
  // A later run may own the indicators by now; only the current run gives them back.
  if (run == current_) showIdle();
}

void Updater::work(std::shared_ptr<Run> run) {
  auto finish = [&] { post([this, run] { endSteps(run); }); };
  auto db = store::openWorkerConnection(dir_);
  if (!db) return finish();
  if (run->stopped()) return;

  std::string key = geturlkey(run->book.muluurl);
  SiteRecord record = rules_.lookup(key);
  if (record.empty()) return finish();

  if (run->mode == 0) {
    if (run->stopped()) return;
    setSection1(run, "更新章节列表...");
    std::string page = opurl(run->book.muluurl, nullptr, 0, 1);
    if (run->stopped()) return;
    page = guizstr(page, record[1]);
    if (run->stopped()) return;
    stozj(*db, page, run->book.id, record);
  }
  setSection1(run, "获取需要更新的章节列表...");
  if (run->stopped()) return;

  std::string sql =
      "SELECT zhangjieid, zhangjiename, zhangjieurl FROM book_zhangjie WHERE bookid=? AND "
      "shifuxianshi=1 AND ";
  std::string ids;
  if (run->mode == 1) {
    // The selection lives on the main thread; ask for it and wait, unless stopped meanwhile.
    auto answer = std::make_shared<std::promise<std::vector<long long>>>();
    auto future = answer->get_future();
    main_.post([this, answer, alive = std::weak_ptr<bool>(alive_)] {
      answer->set_value(alive.lock() ? view_.selectedChapterIds() : std::vector<long long>{});
    });
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
      if (run->stopped()) return;
    const std::vector<long long> selected = future.get();
    if (selected.empty()) return finish();
    ids = store::idListParam(selected);
    sql += "zhangjieid IN (SELECT value FROM json_each(?)) ORDER BY paix, zhangjieid";
  } else {
    sql += "zishutongji=0 ORDER BY paix, zhangjieid";
  }
  struct Chapter {
    long long id;
    std::string name, url;
  };
  std::vector<Chapter> chapters;
  {
    store::Statement st = db->prepare(sql);
    st.bind(1, run->book.id);
    if (run->mode == 1) st.bind(2, ids);
    while (st.step())
      chapters.push_back(
          {st.integer("zhangjieid"), st.text("zhangjiename"), st.text("zhangjieurl")});
  }
  if (chapters.empty()) return finish();

  auto stopRequested = [&run] { return run->stopped(); };
  for (const Chapter& c : chapters) {
    if (run->stopped()) return;
    setSection1(run, "更新章节 " + c.name + "...");
    // Chapters may live on another site than the table of contents.
    const std::string chapterKey = geturlkey(c.url);
    if (chapterKey != key) {
      key = chapterKey;
      record = rules_.lookup(key);
    }
    if (record.empty()) continue;
    std::unique_lock lock(*downloadMutex_, std::defer_lock);
    while (!lock.try_lock()) {
      if (run->stopped()) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (downloadChapter(*db, dir_, c.url, run->book.id, c.id, record, stopRequested) ==
        ContentResult::Stopped)
      return;
  }
  finish();
}

void Updater::stopdown() {
  if (queueOn_) {
    queueOn_ = false;
    view_.setQueueTimer(false);
  }
  if (current_ && runActive()) endSteps(current_);
  showIdle();
}

void Updater::startUpdateAll() {
  queuePos_ = 0;
  queueOn_ = true;
  view_.setQueueTimer(true);
}

void Updater::queueTick() {
  if (!queueOn_ || runActive()) return;
  const std::vector<QueueNode> nodes = view_.displayOrder();
  for (std::size_t i = queuePos_ + 1; i < nodes.size(); ++i) {
    const QueueNode& n = nodes[i];
    if (n.level != 2 || n.downtype != 0) continue;
    auto book = view_.book(n.bookId);
    if (!book) continue;
    queuePos_ = i;
    view_.expandCategory(n.categoryId);
    startRun(*book, 0);
    return;
  }
  queueOn_ = false;
  view_.setQueueTimer(false);
}

void Updater::downbClick(const std::optional<UpdateBook>& current) {
  if (indicators_.stopIcon) return stopdown();
  if (!current) return;
  startRun(*current, 0);
}

void Updater::downallbClick() {
  if (indicators_.stopIcon) return stopdown();
  startUpdateAll();
}

void Updater::menuDownload(const std::optional<UpdateBook>& selected, app::Prompter& prompter) {
  if (!selected) return prompter.tsxx("当前没有选中小说!");
  if (runActive()) return prompter.tsxx("当前有小说正在更新，不可以同时更新多本小说!");
  startRun(*selected, 0);
}

void Updater::menuUpdateAll(app::Prompter& prompter) {
  if (runActive()) return prompter.tsxx("当前有小说正在更新，不可以同时更新多本小说!");
  startUpdateAll();
}

void Updater::redownloadSelected(const std::optional<UpdateBook>& current, bool hasSelection,
                                 app::Prompter& prompter) {
  if (!current) return;
  if (!hasSelection) return prompter.tsxx("当前没有选中任何章节!");
  if (runActive()) return prompter.tsxx("当前下载更新进程执行中，不可以执行该操作!");
  startRun(*current, 1);
}

void Updater::redownloadBlank(const std::optional<UpdateBook>& current, app::Prompter& prompter) {
  if (!current) return;
  if (runActive()) return prompter.tsxx("当前下载更新进程执行中，不可以执行该操作!");
  startRun(*current, 2);
}

void Updater::startBookUpdate(long long bookId) {
  if (runActive()) return;
  if (auto book = view_.book(bookId)) startRun(*book, 0);
}

}  // namespace mozhou::engine
