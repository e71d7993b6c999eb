#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mozhou::app {
namespace {

struct Recorder {
  std::vector<std::string> log;
  bool autodbook = false;
  bool autoup = false;
  DeferredStartup::Steps steps() {
    auto rec = [this](const char* name) { return [this, name] { log.emplace_back(name); }; };
    return {rec("db"),      rec("tree"),    rec("rules"),   [this] { return autodbook; },
            rec("all"),     rec("upset"),   rec("updater"), [this] { return autoup; },
            rec("version"), rec("advert")};
  }
};

using Log = std::vector<std::string>;

TEST(DeferredStartup, FirstTickRunsTheStepsInOrderOnce) {
  struct Case {
    bool autodbook, autoup;
    Log expected;
  } cases[] = {
      {false, false, {"db", "tree", "rules", "upset", "updater", "advert"}},
      {true, false, {"db", "tree", "rules", "all", "upset", "updater", "advert"}},
      {true, true, {"db", "tree", "rules", "all", "upset", "updater", "version", "advert"}},
  };
  for (const auto& c : cases) {
    Recorder r;
    r.autodbook = c.autodbook;
    r.autoup = c.autoup;
    DeferredStartup s(r.steps());
    EXPECT_EQ(s.intervalMs(), 100);
    s.tick();
    EXPECT_EQ(r.log, c.expected);
    EXPECT_EQ(s.intervalMs(), 60000);
    r.log.clear();
    s.tick();
    s.tick();
    EXPECT_EQ(r.log, (Log{"advert", "advert"}));  // the database is opened only once
  }
}

TEST(DeferredStartup, SlowerIntervalDoesNotRestart) {
  Recorder r;
  DeferredStartup s(r.steps());
  s.tick();
  s.setIntervalMs(600000);
  r.log.clear();
  s.tick();
  EXPECT_EQ(r.log, Log{"advert"});
  EXPECT_TRUE(s.started());
}

TEST(ShutdownTest, ClosesTheDatabaseFirstAndRunsOnce) {
  Log log;
  Shutdown sd;
  sd.add([&] { log.emplace_back("hotkeys"); });
  sd.add([&] { log.emplace_back("tray"); });
  sd.setCloseDatabase([&] { log.emplace_back("db"); });
  sd.run();
  sd.run();
  EXPECT_EQ(log, (Log{"db", "hotkeys", "tray"}));
}

}  // namespace
}  // namespace mozhou::app
