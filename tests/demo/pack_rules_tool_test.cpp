// mozhou-pack-rules as rule authors and the build use it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/files.h"
#include "engine/rule_source.h"
#include "support/temp_dir.h"

namespace mozhou {
namespace {

const std::filesystem::path kTool =
    std::filesystem::path(MOZHOU_BUILD_DIR) / "tools/mozhou-pack-rules";
const std::filesystem::path kRules = std::filesystem::path(MOZHOU_SOURCE_DIR) / "data/rules";

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

ToolRun run(const std::string& arguments) {
  ToolRun r;
  const std::string command = kTool.string() + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    r.output.append(buffer, n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string shippedSources() {
  return (kRules / "search_sites.txt").string() + " " + (kRules / "site_rules.txt").string();
}

engine::RuleSource shippedSource() {
  engine::RuleSource source;
  for (const char* name : {"search_sites.txt", "site_rules.txt"}) {
    const auto text = app::readFileBytes(kRules / name);
    EXPECT_TRUE(text);
    std::string error;
    EXPECT_TRUE(engine::parseRuleSource(*text, name, source, &error)) << error;
  }
  return source;
}

TEST(PackRulesTool, StagedRuleFileIsTheShippedSourcePacked) {
  const auto staged =
      app::readFileBytes(std::filesystem::path(MOZHOU_PROGRAM_DIR) / "db/bookset.dat");
  ASSERT_TRUE(staged);
  EXPECT_EQ(*staged, *engine::packRuleFile(shippedSource()));
}

TEST(PackRulesTool, HostOptionMovesTheDemoSite) {
  testing::TempDir dir;
  const auto out = dir.path() / "db/bookset.dat";
  const ToolRun r = run("--host 127.0.0.1:40123 -o " + out.string() + " " + shippedSources());
  ASSERT_EQ(r.status, 0) << r.output;
  engine::RuleSource expected = shippedSource();
  engine::applyReplacements(expected, engine::demoSiteReplacements("127.0.0.1:40123"));
  const auto written = app::readFileBytes(out);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, *engine::packRuleFile(expected));
  EXPECT_EQ(expected.siteRules[0].key, ".127.0.0.1:40123");
  EXPECT_EQ(expected.siteRules[1].key, ".localhost:40123");
}

TEST(PackRulesTool, UnpackGivesSourceThatPacksToTheSameFile) {
  testing::TempDir dir;
  const auto packed = dir.path() / "bookset.dat";
  const auto unpacked = dir.path() / "rules.txt";
  const auto again = dir.path() / "again.dat";
  ASSERT_EQ(run("-o " + packed.string() + " " + shippedSources()).status, 0);
  ASSERT_EQ(run("--unpack " + packed.string() + " -o " + unpacked.string()).status, 0);
  ASSERT_EQ(run("-o " + again.string() + " " + unpacked.string()).status, 0);
  EXPECT_EQ(app::readFileBytes(packed), app::readFileBytes(again));
}

TEST(PackRulesTool, ReportsTheBadLineAndWritesNothing) {
  testing::TempDir dir;
  const auto bad = dir.write("bad.txt", "key: .a.com\ns1: ok\ns12: no such field\n");
  const auto out = dir.path() / "bookset.dat";
  const ToolRun r = run("-o " + out.string() + " " + bad.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("bad.txt:3: unknown label \"s12\""), std::string::npos) << r.output;
  EXPECT_FALSE(std::filesystem::exists(out));

  EXPECT_EQ(run("").status, 2);
  const ToolRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("--host HOST:PORT"), std::string::npos);
}

}  // namespace
}  // namespace mozhou
