#pragma once
// Updating novels in the background: one update run at a time on its own worker thread, the
// update-all queue walking the bookshelf, and the commands that start and stop them.
// Everything a run shows (status sections, tool buttons, tree images, list redraws) is handed
// to the main thread through MainThread::post; the run never touches a model itself.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_thread.h"
#include "app/program_dir.h"
#include "app/prompter.h"
#include "engine/site_rules.h"
#include "store/update_control.h"

namespace mozhou::engine {

// The status bar and the two tool buttons while runs come and go.
struct UpdateIndicators {
  std::string section0;  // "更新小说 " + the novel's name
  std::string section1;  // the current step
  bool active = false;   // status bar visible: a run is active
  bool stopIcon = false;
  std::string downallCaption = "更新全部";
  std::string downCaption = "更新";
};

struct UpdateBook {
  long long id = 0;
  std::string name;
  std::string muluurl;
};

// One node of the bookshelf tree in display order (index 0 is the root).
struct QueueNode {
  int level = 0;
  long long bookId = 0;      // level 2
  long long categoryId = 0;  // level 1, and the category of a level-2 node
  int downtype = 0;
};

// What the main thread offers the runs. Every member is called on the main thread.
struct UpdateView {
  virtual ~UpdateView() = default;
  virtual void indicatorsChanged(const UpdateIndicators& indicators) = 0;
  virtual void setBookImage(long long bookId, int image) = 0;  // 3 while updating, 2 after
  // End of a run: redraw the chapter list if it shows the book, recount its tree node.
  virtual void bookUpdated(long long bookId) = 0;
  // Mode 1: ids of the shown chapters selected in the chapter list, in list order.
  virtual std::vector<long long> selectedChapterIds() = 0;
  // Update-all: the bookshelf in display order, and expanding a category node.
  virtual std::vector<QueueNode> displayOrder() = 0;
  virtual void expandCategory(long long categoryId) = 0;
  // The book's record for a run started through UpdateControl; nullopt when unknown.
  virtual std::optional<UpdateBook> book(long long bookId) = 0;
  // The queue timer (100 ms); the host calls Updater::queueTick on every tick while on.
  virtual void setQueueTimer(bool on) = 0;
};

class Updater : public store::UpdateControl {
 public:
  Updater(app::ProgramDir dir, app::MainThread& mainThread, const RuleText& rules,
          UpdateView& view);
  ~Updater() override;
  Updater(const Updater&) = delete;
  Updater& operator=(const Updater&) = delete;

  // Starting a run: modes 0 (table of contents, then new chapters), 1 (the selected
  // chapters again) and 2 (chapters without text).
  void startRun(const UpdateBook& book, int mode);
  bool runActive() const { return indicators_.active; }
  const UpdateIndicators& indicators() const { return indicators_; }
  void stopdown();

  void startUpdateAll();
  void queueTick();
  bool queueTimerOn() const { return queueOn_; }

  // Commands of the tool bar and the menus. `current` is the current book (or none),
  // `selected` the book selected in the bookshelf tree.
  void downbClick(const std::optional<UpdateBook>& current);
  void downallbClick();
  void menuDownload(const std::optional<UpdateBook>& selected, app::Prompter& prompter);
  void menuUpdateAll(app::Prompter& prompter);
  void redownloadSelected(const std::optional<UpdateBook>& current, bool hasSelection,
                          app::Prompter& prompter);
  void redownloadBlank(const std::optional<UpdateBook>& current, app::Prompter& prompter);

  // store::UpdateControl
  bool updateRunning() const override { return runActive(); }
  void startBookUpdate(long long bookId) override;
  void stopUpdate() override { stopdown(); }

  // Waits for every worker thread to leave (tests, shutdown). Does not stop them.
  void joinFinished();

 private:
  struct Run;
  void work(std::shared_ptr<Run> run);
  void endSteps(const std::shared_ptr<Run>& run);
  void showIdle();
  void post(std::function<void()> fn);
  void setSection1(const std::shared_ptr<Run>& run, std::string text);
  void publish();

  app::ProgramDir dir_;
  app::MainThread& main_;
  const RuleText& rules_;
  UpdateView& view_;
  UpdateIndicators indicators_;
  std::shared_ptr<Run> current_;
  struct Worker {
    std::thread thread;
    std::shared_ptr<Run> run;
  };
  std::vector<Worker> workers_;
  bool queueOn_ = false;
  std::size_t queuePos_ = 0;
  // Two runs never download at the same time: a run started while a stopped one finishes
  // its chapter waits here, so both cannot write the same chapter.
  std::shared_ptr<std::mutex> downloadMutex_;
  std::shared_ptr<bool> alive_;
};

}  // namespace mozhou::engine
