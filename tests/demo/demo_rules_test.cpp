// The shipped rules against the demo site's pages: packed for the site's port, read back from
// db/bookset.dat, looked up by site key and applied to pages fetched over HTTP.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "app/files.h"
#include "demo/demo_site.h"
#include "engine/fetcher.h"
#include "engine/rule_expr.h"
#include "engine/rule_source.h"
#include "engine/site_rules.h"
#include "support/program_fixture.h"
#include "text/regex.h"
#include "text/strings.h"

namespace mozhou::demo {
namespace {

struct Entry {
  std::string name;
  std::string address;
  std::string volume;
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << e.name << " | " << e.address << " | " << e.volume;
}

std::string percentEncodeUtf8(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x80 && (std::isalnum(c) || c == '-' || c == '_' || c == '.')) {
      out.push_back(static_cast<char>(c));
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

class DemoRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site.start(0));
    engine::RuleSource source;
    for (const char* name : {"data/rules/search_sites.txt", "data/rules/site_rules.txt"}) {
      const auto text = app::readFileBytes(std::filesystem::path(MOZHOU_SOURCE_DIR) / name);
      ASSERT_TRUE(text) << name;
      std::string error;
      ASSERT_TRUE(engine::parseRuleSource(*text, name, source, &error)) << error;
    }
    engine::applyReplacements(source, engine::demoSiteReplacements(site.hostPort()));
    const auto packed = engine::packRuleFile(source);
    ASSERT_TRUE(packed);
    ASSERT_TRUE(app::writeFileAtomic(program.dir().path("db/bookset.dat"), *packed));
    ruleText = engine::getsetstr(program.dir(), 1);
    searchText = engine::getsetstr(program.dir(), 0);
    ASSERT_FALSE(ruleText.empty());
  }

  engine::SiteRecord record(const std::string& address) {
    return engine::getdsbykey(ruleText, engine::geturlkey(address));
  }

  // The table of contents as the chapter-list sync sees it: fetched with the base flag and
  // processed with s1.
  std::string tocText(const std::string& address, const engine::SiteRecord& r) {
    return engine::guizstr(engine::opurl(address, nullptr, 0, 1), r[1]);
  }

  // The volume heading nearest above an entry's first occurrence, "正文" when there is none.
  static std::string volumeOf(const std::string& page, const std::string& entry,
                              const engine::SiteRecord& r) {
    std::string volume;
    if (r[5].empty() && !r[6].empty()) volume = r[6];
    if (!r[5].empty() && !r[6].empty()) {
      const auto headings = text::regexExecute(r[5], page.substr(0, page.find(entry)));
      if (headings.ok && !headings.matches.empty())
        volume = text::trim(engine::regsp(r[6], headings.matches.back().subMatches));
    }
    return text::trim(volume).empty() ? "正文" : volume;
  }

  static std::vector<Entry> entries(const std::string& page, const engine::SiteRecord& r) {
    std::vector<Entry> out;
    const auto found = text::regexExecute(r[2], page);
    EXPECT_TRUE(found.ok) << found.error;
    for (const auto& m : found.matches)
      out.push_back({text::trim(engine::regsp(r[3], m.subMatches)),
                     text::trim(engine::regsp(r[4], m.subMatches)), volumeOf(page, m.value, r)});
    return out;
  }

  std::vector<Entry> expectedEntries(std::string_view id) {
    std::vector<Entry> out;
    for (const ChapterListing& c : site.chapters(id))
      out.push_back({c.name, c.address, c.volume.empty() ? "正文" : c.volume});
    return out;
  }

  // The chapter text as the rules are meant to leave it: one line per paragraph, a picture
  // as its tag from the page.
  std::vector<std::string> expectedLines(std::string_view id, int number) {
    std::vector<std::string> lines;
    for (const ChapterBlock& b : site.chapterBody(id, number))
      lines.push_back(b.picture ? "<img src=\"" + b.text + "\" alt=\"" + b.alt + "\" />" : b.text);
    return lines;
  }

  testing::TempProgramDir program{false};
  DemoSite site;
  std::string ruleText;
  std::string searchText;
};

TEST_F(DemoRulesTest, TableOfContentsGivesChaptersInOrderWithVolumes) {
  for (const char* id : {"1021", "1022", "2001"}) {
    const auto novel = site.novel(id);
    ASSERT_TRUE(novel);
    const engine::SiteRecord r = record(novel->tocAddress);
    ASSERT_EQ(r.size(), 11u) << id;
    EXPECT_EQ(entries(tocText(novel->tocAddress, r), r), expectedEntries(id)) << id;
  }
}

TEST_F(DemoRulesTest, EachNameHasItsOwnRecord) {
  const engine::SiteRecord gbk = record(site.novel("1021")->tocAddress);
  const engine::SiteRecord utf8 = record(site.novel("2001")->tocAddress);
  ASSERT_EQ(gbk.size(), 11u);
  ASSERT_EQ(utf8.size(), 11u);
  EXPECT_EQ(gbk[1].find("{{0}}"), std::string::npos);
  EXPECT_EQ(utf8[1].rfind("{{0}}1{{t}}", 0), 0u);
}

TEST_F(DemoRulesTest, CuttingTheFullListKeepsTheLatestBlockOut) {
  const std::string address = site.novel("1021")->tocAddress;
  const engine::SiteRecord r = record(address);
  const auto uncut = entries(engine::opurl(address, nullptr, 0, 1), r);
  ASSERT_FALSE(uncut.empty());
  // Without s1 the newest chapter would come first, and under no volume.
  EXPECT_EQ(uncut.front().address, site.chapters("1021").back().address);
  EXPECT_EQ(uncut.front().volume, "正文");
}

TEST_F(DemoRulesTest, PublishedChapterComesLast) {
  site.publishChapter("1021");
  site.publishChapter("2001");
  for (const char* id : {"1021", "2001"}) {
    const std::string address = site.novel(id)->tocAddress;
    const engine::SiteRecord r = record(address);
    const auto got = entries(tocText(address, r), r);
    EXPECT_EQ(got, expectedEntries(id)) << id;
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().volume, site.chapters(id).back().volume);
  }
}

TEST_F(DemoRulesTest, BigNovelListsEveryChapter) {
  const std::string address = site.bigTocAddress(1000);
  const engine::SiteRecord r = record(address);
  const auto got = entries(tocText(address, r), r);
  ASSERT_EQ(got.size(), 1000u);
  EXPECT_EQ(got, expectedEntries("big/1000"));
}

TEST_F(DemoRulesTest, GbkChapterTextComesOutClean) {
  for (const ChapterListing& c : site.chapters("1021")) {
    const engine::SiteRecord r = record(c.address);
    std::string text = engine::guizstr(engine::opurl(c.address, nullptr, 0, 1), r[7]);
    text = engine::guizstr(text, r[10]);
    EXPECT_EQ(text::splitLines(text), expectedLines("1021", c.number)) << c.name;
    for (std::string_view rest : {"&nbsp;", "&#", "&ldquo;", "<br", "<script", "墨舟演示书屋"})
      EXPECT_EQ(text.find(rest), std::string::npos) << c.name << ": " << rest;
  }
}

TEST_F(DemoRulesTest, PicturesAreFoundAndLocalTagsSurviveTheFinalCleanup) {
  const ChapterListing chapter = site.chapters("1021")[3];
  const engine::SiteRecord r = record(chapter.address);
  const std::string text = engine::guizstr(engine::opurl(chapter.address, nullptr, 0, 1), r[7]);
  const auto pictures = text::regexExecute(r[8], text);
  ASSERT_TRUE(pictures.ok) << pictures.error;
  ASSERT_EQ(pictures.matches.size(), 3u);
  const std::vector<std::string> addresses = {site.address("/pic/1021/lamp.png"),
                                              site.address("/pic/1021/map.gif"),
                                              site.address("/pic/1021/lamp.png")};
  std::string local = text;
  for (std::size_t n = 0; n < 3; ++n) {
    const std::string address = engine::regsp(r[9], pictures.matches[n].subMatches);
    EXPECT_EQ(address, addresses[n]);
    const auto bytes = engine::fetchBytes(address);
    ASSERT_TRUE(bytes) << address;
    EXPECT_EQ(bytes->substr(0, 2), n == 1 ? "GI" : "\x89P");
    local = text::replaceAll(local, pictures.matches[n].value,
                             "<img src=\"1\\5\\" + std::to_string(n) + ".png\">");
  }
  local = engine::guizstr(local, r[10]);
  EXPECT_EQ(text::regexExecute("<img src=\"1\\\\5\\\\0\\.png\">", local).matches.size(), 2u);
  EXPECT_EQ(text::regexExecute("<img src=\"1\\\\5\\\\1\\.png\">", local).matches.size(), 1u);
}

TEST_F(DemoRulesTest, Utf8ChapterTextComesOutClean) {
  for (const ChapterListing& c : site.chapters("2001")) {
    const engine::SiteRecord r = record(c.address);
    const std::string page = engine::opurl(c.address, nullptr, 0, 1);
    const std::string text = engine::guizstr(engine::guizstr(page, r[7]), r[10]);
    EXPECT_EQ(text::splitLines(text), expectedLines("2001", c.number)) << c.name;
    EXPECT_EQ(text.find("墨舟"), std::string::npos);
    // The page, read as GBK, only becomes readable through conversion code 1.
    EXPECT_EQ(page.find(c.name), std::string::npos);
    EXPECT_EQ(engine::guizstr(page, "{{0}}0{{t}}").find(c.name), std::string::npos);
  }
}

TEST_F(DemoRulesTest, SearchSitesFindNovelsByTitleAndAuthor) {
  struct Case {
    const char* site;
    const char* keyword;
    bool byTitle;
    const char* novel;
  };
  const Case cases[] = {
      {"mozhou-demo", "潮", true, "1022"},
      {"mozhou-demo", "林未央", false, "1021"},
      {"mozhou-demo-utf8", "邮差", true, "2001"},
      {"mozhou-demo-utf8", "顾行远", false, "2001"},
  };
  for (const Case& c : cases) {
    std::string pattern =
        "<sw><wn>([^<]*?)</wn><s0>([^<]*?)</s0><s1>(" + std::string(c.site) + ")</s1>";
    for (int n = 2; n <= 10; ++n)
      pattern += "<s" + std::to_string(n) + ">(.*?)</s" + std::to_string(n) + ">";
    pattern += "</sw>";
    const auto records = text::regexExecute(pattern, searchText);
    ASSERT_TRUE(records.ok && !records.matches.empty()) << c.site;
    std::vector<std::string> f;  // s0 … s10
    for (std::size_t g = 1; g < records.matches[0].subMatches.size(); ++g)
      f.push_back(text::replaceAll(records.matches[0].subMatches[g], "{{br}}", "\r\n"));
    const std::string address =
        text::replaceAll(c.byTitle ? f[2] : f[3], "[enkey]", percentEncodeUtf8(c.keyword));
    const std::string page = engine::guizstr(engine::opurl(address, nullptr, 0, 0), f[4]);
    const auto results = text::regexExecute(f[5], page);
    ASSERT_TRUE(results.ok) << results.error;
    ASSERT_EQ(results.matches.size(), 1u) << c.site << " " << c.keyword;
    const auto& g = results.matches[0].subMatches;
    const auto novel = site.novel(c.novel);
    EXPECT_EQ(text::trim(engine::regsp(f[6], g)), novel->name);
    EXPECT_EQ(text::trim(engine::regsp(f[7], g)), novel->author);
    EXPECT_EQ(text::trim(engine::regsp(f[8], g)), site.chapters(c.novel).back().name);
    EXPECT_EQ(text::trim(engine::regsp(f[9], g)), novel->tocAddress);
  }
}

}  // namespace
}  // namespace mozhou::demo
