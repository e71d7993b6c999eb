#include "cli/update_session.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>

#include "app/main_thread.h"
#include "app/settings.h"
#include "cli/console.h"
#include "engine/fetcher.h"
#include "engine/site_rules.h"
#include "store/shelf.h"

namespace mozhou::cli {
namespace {

std::atomic<bool> gStopRequested{false};

extern "C" void onStopSignal(int) { gStopRequested = true; }

// The shelf and the run indicators as a terminal shows them.
class CliUpdateView : public engine::UpdateView {
 public:
  CliUpdateView(Context& ctx, store::Shelf& shelf, std::vector<long long> selection)
      : ctx_(ctx), shelf_(shelf), selection_(std::move(selection)), tty_(::isatty(1) != 0) {}

  void indicatorsChanged(const engine::UpdateIndicators& ind) override {
    const std::string line = ind.section0 + "  " + ind.section1;
    if (line == last_) return;
    last_ = line;
    if (tty_) {
      ctx_.out << "\r\033[K" << line << (ind.active ? "" : "\n") << std::flush;
    } else {
      ctx_.out << line << "\n" << std::flush;
    }
  }
  void setBookImage(long long bookId, int image) override {
    shelf_.setUpdating(bookId, image == store::ShelfNode::kUpdatingImage);
  }
  void bookUpdated(long long bookId) override { shelf_.redrawbookx(bookId); }
  std::vector<long long> selectedChapterIds() override { return selection_; }
  std::vector<engine::QueueNode> displayOrder() override {
    std::vector<engine::QueueNode> nodes;
    for (const store::ShelfNode* n : shelf_.nodesInTreeOrder()) {
      engine::QueueNode q;
      q.level = n->level();
      if (n->isBook()) {
        q.bookId = n->id();
        q.categoryId = n->parent() ? n->parent()->id() : 0;
        q.downtype = static_cast<int>(n->item().downtype);
      } else if (n->isCategory()) {
        q.categoryId = n->id();
      }
      nodes.push_back(q);
    }
    return nodes;
  }
  void expandCategory(long long categoryId) override {
    if (const store::ShelfNode* c = shelf_.findCategory(categoryId)) shelf_.setExpanded(c, true);
  }
  std::optional<engine::UpdateBook> book(long long bookId) override {
    const store::ShelfNode* n = shelf_.getbn(bookId);
    if (!n) return std::nullopt;
    return engine::UpdateBook{n->id(), n->item().name, n->item().muluurl};
  }
  void setQueueTimer(bool on) override { queueTimer = on; }

  bool queueTimer = false;

 private:
  Context& ctx_;
  store::Shelf& shelf_;
  std::vector<long long> selection_;
  bool tty_;
  std::string last_;
};

}  // namespace

void applyFetchSettings(const app::ProgramDir& dir) {
  app::Settings settings(dir);
  settings.getset();
  engine::setFetchConfig(app::fetchConfigFrom(settings));
}

int runUpdate(Context& ctx, const UpdateRequest& request) {
  ConsolePrompter prompter(ctx.err, ctx.yes);
  auto db = openDatabase(ctx, prompter);
  if (!db) return 1;
  applyFetchSettings(ctx.dir);
  engine::RuleText rules;
  rules.load(ctx.dir);

  app::TaskQueue mainThread;
  store::CurrentBook current;
  // The shelf needs an update control before the updater exists; forward to it.
  struct Forward : store::UpdateControl {
    engine::Updater* target = nullptr;
    bool updateRunning() const override { return target && target->updateRunning(); }
    void startBookUpdate(long long id) override {
      if (target) target->startBookUpdate(id);
    }
    void stopUpdate() override {
      if (target) target->stopUpdate();
    }
  } forward;
  store::Shelf shelf(db.get(), ctx.dir, prompter, forward, current);
  shelf.drawbookpanel();
  CliUpdateView view(ctx, shelf, request.chapters);
  engine::Updater updater(ctx.dir, mainThread, rules, view);
  forward.target = &updater;

  if (request.all) {
    updater.menuUpdateAll(prompter);
  } else {
    const store::ShelfNode* node = shelf.getbn(request.bookId);
    if (!node) {
      ctx.err << "mozhou-cli: no book with id " << request.bookId << "\n";
      return 2;
    }
    updater.startRun({node->id(), node->item().name, node->item().muluurl}, request.mode);
  }

  gStopRequested = false;
  auto oldInt = std::signal(SIGINT, onStopSignal);
  auto oldTerm = std::signal(SIGTERM, onStopSignal);
  bool stopped = false;
  auto lastTick = std::chrono::steady_clock::now();
  while (updater.runActive() || view.queueTimer) {
    mainThread.pumpFor(20);
    if (gStopRequested && !stopped) {
      stopped = true;
      updater.stopdown();
    }
    const auto now = std::chrono::steady_clock::now();
    if (view.queueTimer && now - lastTick >= std::chrono::milliseconds(100)) {
      lastTick = now;
      updater.queueTick();
    }
  }
  // A stopped run leaves at its next check; wait for it so nothing is written after exit.
  updater.joinFinished();
  mainThread.pump();
  std::signal(SIGINT, oldInt);
  std::signal(SIGTERM, oldTerm);
  return stopped ? 130 : 0;
}

}  // namespace mozhou::cli
