#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/files.h"
#include "support/temp_dir.h"
#include "text/strings.h"

namespace {

namespace fs = std::filesystem;
using mozhou::testing::TempDir;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs mozhou-cli of the staged program directory with `--dir dir` and the given words.
Result runCli(const fs::path& dir, std::vector<std::string> words) {
  const fs::path cli = fs::path(MOZHOU_PROGRAM_DIR) / "mozhou-cli";
  TempDir capture;
  const fs::path outPath = capture.path() / "out";
  const fs::path errPath = capture.path() / "err";
  words.insert(words.begin(), {cli.string(), "--dir", dir.string()});
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  Result r;
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.code = WEXITSTATUS(status);
  r.out = mozhou::app::readFileBytes(outPath).value_or("");
  r.err = mozhou::app::readFileBytes(errPath).value_or("");
  return r;
}

struct CliDir {
  TempDir tmp;
  CliDir() { fs::create_directories(tmp.path() / "config"); }
  Result run(std::vector<std::string> words) const { return runCli(tmp.path(), std::move(words)); }
  std::string file() const {
    return mozhou::app::readFileBytes(tmp.path() / "config/set.ini").value_or("<missing>");
  }
};

TEST(SettingsCliTest, ListsEverySettingWithDefaults) {
  CliDir d;
  const Result r = d.run({"settings", "list"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto lines = mozhou::text::splitLines(r.out);
  ASSERT_EQ(lines.size(), 53u);
  EXPECT_EQ(lines[0], "mainset/autostart=0");
  EXPECT_EQ(lines[46], "mainset/ssout=10");
  EXPECT_EQ(lines[51], "timeset/tsxx=看书满半小时了，举目远眺，让眼睛休息一下吧！");
  EXPECT_EQ(d.file(), "<missing>");

  const Result json = d.run({"--json", "settings", "list"});
  ASSERT_EQ(json.code, 0) << json.err;
  const auto rows = mozhou::text::splitLines(json.out);
  ASSERT_EQ(rows.size(), 53u);
  EXPECT_EQ(rows[35], R"({"index":35,"section":"captionset","key":"captionfont","value":"宋体"})");
}

TEST(SettingsCliTest, SetWritesOneEntryAndGetReadsIt) {
  CliDir d;
  Result r = d.run({"settings", "set", "MainSet", "WIDTH", "1024"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = d.run({"settings", "set", "timeset", "tsxx", "该休息了"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(
      d.file(),
      "[mainset]\r\nwidth=1024\r\n\r\n[timeset]\r\ntsxx=\xB8\xC3\xD0\xDD\xCF\xA2\xC1\xCB\r\n");

  r = d.run({"settings", "get", "mainset", "width"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "1024\n");
  r = d.run({"settings", "get", "TimeSet", "TSXX"});
  EXPECT_EQ(r.out, "该休息了\n");
  r = d.run({"settings", "get", "mainset", "height"});
  EXPECT_EQ(r.out, "600\n");
}

TEST(SettingsCliTest, RefusesUnknownSettingsAndBadUsage) {
  CliDir d;
  const std::vector<std::vector<std::string>> refused = {
      {"settings", "get", "mainset", "nosuchkey"},
      {"settings", "set", "proxyset", "width", "1"},  // a known key in the wrong section
      {"settings", "get", "mainset"},
      {"settings", "set", "mainset", "width"},
      {"settings", "list", "extra"},
  };
  for (const auto& words : refused) {
    const Result r = d.run(words);
    EXPECT_EQ(r.code, 2) << words[2];
    EXPECT_NE(r.err.find("mozhou-cli: "), std::string::npos) << words[2];
    EXPECT_EQ(r.out, "");
  }
  EXPECT_NE(d.run(refused[0]).err.find("unknown setting \"mainset/nosuchkey\""), std::string::npos);
  EXPECT_EQ(d.file(), "<missing>");
}

TEST(SettingsCliTest, ReportsASettingsFileThatCannotBeWritten) {
  CliDir d;
  fs::create_directories(d.tmp.path() / "config/set.ini");
  const Result r = d.run({"settings", "set", "mainset", "width", "1024"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

}  // namespace
