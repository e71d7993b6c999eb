#pragma once
// The deferred start-up and the shutdown order. The desktop runs DeferredStartup::tick from
// its advertisement timer (first fired 100 ms after the event loop starts); each step is a
// function the owner fills in, so the order lives here and nowhere else.
#include <functional>
#include <vector>

namespace mozhou::app {

class DeferredStartup {
 public:
  struct Steps {
    std::function<void()> connectioncreat;  // open the bookshelf database
    std::function<void()> drawbookpanel;    // draw the bookshelf tree
    std::function<void()> loadRuleText;     // block 1 of the site rule file
    std::function<bool()> autodbook;        // setting mainset/autodbook is "1"
    std::function<void()> updateAll;        // press "更新全部"
    std::function<void()> upset;            // rule-file update
    std::function<void()> updaterCheck;     // newer updater
    std::function<bool()> autoup;           // setting mainset/autoup is "1"
    std::function<void()> versionCheck;     // new program version, silent when none
    std::function<void()> advertise;        // advance the text advertisement (every tick)
  };

  static constexpr int kFirstIntervalMs = 100;
  static constexpr int kAdvertisementIntervalMs = 60000;

  explicit DeferredStartup(Steps steps) : steps_(std::move(steps)) {}

  // The timer's handler: the first tick (interval 100 ms) runs the start-up once; every
  // tick, the first included, advances the advertisement.
  void tick();

  int intervalMs() const { return intervalMs_; }
  // The advertisement step slows the timer down while no advertisement has been received.
  void setIntervalMs(int ms) { intervalMs_ = ms; }
  bool started() const { return started_; }

 private:
  Steps steps_;
  int intervalMs_ = kFirstIntervalMs;
  bool started_ = false;
};

// Shutdown: the database connection is closed first, then the rest in registration order.
class Shutdown {
 public:
  void setCloseDatabase(std::function<void()> fn) { closeDatabase_ = std::move(fn); }
  void add(std::function<void()> fn) { rest_.push_back(std::move(fn)); }
  // Runs every step once; a second call does nothing.
  void run();

 private:
  std::function<void()> closeDatabase_;
  std::vector<std::function<void()>> rest_;
  bool done_ = false;
};

}  // namespace mozhou::app
