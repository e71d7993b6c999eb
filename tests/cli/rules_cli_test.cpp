// mozhou-cli rules site|toc|chapter|apply, run as a separate process on a temporary program
// directory whose db/bookset.dat is packed here.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "engine/site_rules.h"
#include "support/novel_sites.h"
#include "support/program_fixture.h"
#include "support/rule_file.h"
#include "text/codec.h"

namespace mozhou {
namespace {

using nlohmann::json;
using testing::FixtureSite;
using testing::TempProgramDir;

std::string quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::vector<json> lines;
};

CliResult runCli(const TempProgramDir& dir, const std::vector<std::string>& args) {
  std::string cmd = quote(std::string(MOZHOU_PROGRAM_DIR) + "/mozhou-cli") + " --dir " +
                    quote(dir.path().string());
  for (const std::string& a : args) cmd += " " + quote(a);
  cmd += " 2>/dev/null";
  CliResult r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line.front() == '{') r.lines.push_back(json::parse(line));
  return r;
}

class RulesCli : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::serveGbkSite(site);
    const std::string rules = testing::ruleLine(".other.example", {"别的站"}) + "\r\n" +
                              testing::ruleLine(site.key(), testing::gbkRecord()) + "\r\n";
    dir.write("db/bookset.dat", testing::ruleFile("", rules));
  }
  FixtureSite site;
  TempProgramDir dir;
};

TEST_F(RulesCli, SiteShowsKeyAndRecord) {
  const CliResult found = runCli(dir, {"--json", "rules", "site", site.url(testing::kGbkTocPath)});
  EXPECT_EQ(found.exitCode, 0);
  ASSERT_EQ(found.lines.size(), 1u) << found.out;
  EXPECT_EQ(found.lines[0]["key"], site.key());
  EXPECT_EQ(found.lines[0]["fields"].get<std::vector<std::string>>(), testing::gbkRecord());

  const CliResult missing =
      runCli(dir, {"rules", "site", "HTTP://WWW.Unknown.example/a", "--json"});
  EXPECT_EQ(missing.exitCode, 0);
  ASSERT_EQ(missing.lines.size(), 1u) << missing.out;
  EXPECT_EQ(missing.lines[0], (json{{"key", ".unknown.example"}, {"fields", json::array()}}));
}

TEST_F(RulesCli, TocListsEntriesAndStoresNothing) {
  const CliResult r = runCli(dir, {"--json", "rules", "toc", site.url(testing::kGbkTocPath)});
  EXPECT_EQ(r.exitCode, 0);
  const auto expected = testing::gbkTocEntries();
  ASSERT_EQ(r.lines.size(), expected.size()) << r.out;
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(r.lines[i], (json{{"name", expected[i].name},
                                {"url", site.url("/book/12/" + expected[i].path)},
                                {"volume", expected[i].volume}}))
        << i;
  auto db = dir.open();
  EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_zhangjie"), 0);

  const CliResult none = runCli(dir, {"--json", "rules", "toc", "http://unknown.example/"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_TRUE(none.lines.empty());
}

TEST_F(RulesCli, ChapterTextWithPicturesLeftAlone) {
  const std::size_t before = site.requestCount();
  const CliResult r =
      runCli(dir, {"--json", "rules", "chapter", site.url(testing::kGbkChapterPath)});
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_EQ(r.lines.size(), 1u) << r.out;
  EXPECT_EQ(r.lines[0], (json{{"text", testing::gbkChapterTextWithoutPictures()}}));
  EXPECT_EQ(site.requestCount() - before, 1u);  // the page only
}

TEST_F(RulesCli, ApplyListToASavedPage) {
  const auto list =
      dir.write("work/list.txt", text::toLegacy("{{1}}<p>{{t}}</p>\r\n{{2}}旧{{t}}新\r\n"
                                                "{{3}}src=\"([^\"]*)\"{{t}}src=\"[webpath]$1\"\n"));
  const auto page = dir.write(
      "work/page.html", text::toLegacy("<html>\r\n<p>旧\r\n文<img src=\"a.png\"></p>\n</html>"));
  const CliResult r = runCli(dir, {"--json", "rules", "apply", "--base",
                                   "http://h.example/d/x.html", list.string(), page.string()});
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_EQ(r.lines.size(), 1u) << r.out;
  EXPECT_EQ(r.lines[0]["text"], "<p>新文<img src=\"http://h.example/d/a.png\"></p>");

  const CliResult plain = runCli(dir, {"rules", "apply", list.string(), page.string()});
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.out, "<p>新文<img src=\"a.png\"></p>\n");

  EXPECT_EQ(runCli(dir, {"rules", "apply", list.string()}).exitCode, 2);
  EXPECT_EQ(runCli(dir, {"rules", "apply", list.string(), (dir.path() / "nope").string()}).exitCode,
            1);
}

}  // namespace
}  // namespace mozhou
