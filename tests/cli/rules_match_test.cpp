#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun runCli(const mozhou::testing::TempDir& dir, const std::vector<std::string>& args) {
  const std::string errFile = (dir.path() / "stderr.txt").string();
  std::string cmd = quote(std::string(MOZHOU_PROGRAM_DIR) + "/mozhou-cli");
  for (const std::string& a : args) cmd += " " + quote(a);
  cmd += " 2>" + quote(errFile);
  CliRun run;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) run.out.append(buf, n);
  const int status = pclose(p);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile, std::ios::binary);
  run.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}

// A table of contents in GBK, with a title broken over two lines and one byte that is no
// GBK character (0xFF after 第三章).
const char kPage[] =
    "<dd><a href=\"/1.html\">\xB5\xDA\xD2\xBB\xD5\xC2</a></dd>\r\n"
    "<dd><a href=\"/2.html\">\r\n\xB5\xDA\xB6\xFE\xD5\xC2 \xC4\xAB\xD6\xDB</a></dd>\n"
    "<dd><a href=\"/3.html\">\xB5\xDA\xC8\xFD\xD5\xC2\xFF</a></dd>";
const char kPattern[] = "<dd><a href=\"(.*?)\">(.*?)</a></dd>";

TEST(RulesMatch, JsonLinesWithCharacterIndices) {
  mozhou::testing::TempDir dir;
  const auto file = dir.write("toc.html", kPage);
  const CliRun run = runCli(dir, {"--json", "rules", "match", kPattern, file.string()});
  ASSERT_EQ(run.status, 0) << run.err;

  std::vector<nlohmann::json> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(lines.size(), 3u) << run.out;

  const std::string first = "<dd><a href=\"/1.html\">第一章</a></dd>";
  const std::string second = "<dd><a href=\"/2.html\">第二章 墨舟</a></dd>";
  EXPECT_EQ(lines[0]["index"], 0);
  EXPECT_EQ(lines[0]["value"], first);
  EXPECT_EQ(lines[0]["groups"], nlohmann::json({"/1.html", "第一章"}));
  // Indices count characters of the decoded page, with its line breaks gone.
  EXPECT_EQ(lines[1]["index"], 34);
  EXPECT_EQ(lines[1]["value"], second);
  EXPECT_EQ(lines[1]["groups"], nlohmann::json({"/2.html", "第二章 墨舟"}));
  EXPECT_EQ(lines[2]["index"], 34 + 37);
  // The undecodable byte is kept as its stand-in character U+F7FF.
  EXPECT_EQ(lines[2]["groups"], nlohmann::json({"/3.html", "第三章\xEF\x9F\xBF"}));
}

TEST(RulesMatch, PlainLines) {
  mozhou::testing::TempDir dir;
  const auto file = dir.write("toc.html", kPage);
  const CliRun run = runCli(dir, {"rules", "match", "href=\"/([12])", file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "7\thref=\"/1\t1\n41\thref=\"/2\t2\n");
}

TEST(RulesMatch, BadPatternOrMissingFileIsAnError) {
  mozhou::testing::TempDir dir;
  const auto file = dir.write("toc.html", kPage);
  const CliRun bad = runCli(dir, {"--json", "rules", "match", "<dd>(.*?", file.string()});
  EXPECT_EQ(bad.status, 2);
  EXPECT_TRUE(bad.out.empty()) << bad.out;
  EXPECT_NE(bad.err.find("does not compile"), std::string::npos) << bad.err;

  const CliRun missing =
      runCli(dir, {"rules", "match", "a", (dir.path() / "no-such-page.html").string()});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("no-such-page.html"), std::string::npos) << missing.err;
}

}  // namespace
