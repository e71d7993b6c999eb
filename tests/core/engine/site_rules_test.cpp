#include "engine/site_rules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/rule_file.h"
#include "support/temp_dir.h"

namespace mozhou::engine {
namespace {

using testing::ruleBlock;
using testing::ruleBlockLength;
using testing::siteRecordLine;

TEST(SiteKey, DerivedFromAddresses) {
  struct Case {
    const char* address;
    const char* key;
  } cases[] = {
      {"http://www.example.com/book/12/index.html", ".example.com"},
      {"HTTP://WWW.EXAMPLE.COM/Book/12/", ".example.com"},
      {"https://www.example.com/book/12/", ".example.com"},
      {"http://book.example.com/12/", ".book.example.com"},
      {"http://wwwbook.com/12/", ".book.com"},             // a host that merely starts with www
      {"http://m.www.example.com/12/", ".m.example.com"},  // www in the middle of the host
      {"http://example.com/www/12/", ".example.com"},      // after the first "/" nothing counts
      {"http://example.com", ".example.com"},
      {"http://example.com?book=12", ".example.com?book=12"},  // no "/" after the host
      {"http://www.example.com:8080/12/", ".example.com:8080"},
      {"http://127.0.0.1:8610/book/", ".127.0.0.1:8610"},
      {"http:\\\\www.example.com\\book\\", ".example.com"},
      {"www.example.com/12/", ".example.com"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(geturlkey(c.address), c.key) << c.address;
}

std::string rules(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The record found for `key`, told apart by its field s1.
std::string foundS1(const std::string& ruleText, const std::string& key) {
  const SiteRecord r = getdsbykey(ruleText, key);
  if (r.empty()) return "<none>";
  EXPECT_EQ(r.size(), kSiteRecordFields);
  return r[1];
}

TEST(SiteRecordLookup, TriesShorterKeysInTurn) {
  const std::string text = rules({
      siteRecordLine(".a.b.c", {"", "exact"}),
      siteRecordLine("b.c", {"", "second"}),
      siteRecordLine("z.c", {"", "third"}),
      siteRecordLine("c", {"", "fourth"}),
      siteRecordLine("q", {"", "one-letter"}),
      siteRecordLine("localhost:8080", {"", "no-dot"}),
  });
  struct Case {
    const char* key;
    const char* s1;
  } cases[] = {
      {".a.b.c", "exact"},
      {".x.b.c", "second"},    // try 2: b.c
      {".x.y.c", "fourth"},    // tries: .x.y.c, y.c, c
      {".x.z.c", "third"},     // try 2: z.c
      {".w.x.y.c", "fourth"},  // tries: .w.x.y.c, x.y.c, y.c, c
      {".n", "fourth"},        // try 2 is ".", which matches the first one-character key
      {".m.n", "<none>"},      // tries: .m.n, n, n, n, n
      {"localhost:8080", "no-dot"},
      {"localhost:9090", "<none>"},  // a key without a dot is retried unchanged
  };
  for (const Case& c : cases) EXPECT_EQ(foundS1(text, c.key), c.s1) << c.key;
}

TEST(SiteRecordLookup, FiveTriesAtMost) {
  // Six labels: the tries are .a.b.c.d.e.f, b.c.d.e.f, c.d.e.f, d.e.f, e.f — "f" is never
  // reached.
  const std::string text =
      rules({siteRecordLine("f", {"", "f"}), siteRecordLine("e.f", {"", "ef"})});
  EXPECT_EQ(foundS1(text, ".a.b.c.d.e.f"), "ef");
  EXPECT_EQ(foundS1(rules({siteRecordLine("f", {"", "f"})}), ".a.b.c.d.e.f"), "<none>");
  EXPECT_EQ(foundS1(rules({siteRecordLine("f", {"", "f"})}), ".b.c.d.e.f"), "f");
}

TEST(SiteRecordLookup, KeyIsAPattern) {
  // The dots of the key match any character, and the first matching record wins.
  const std::string text = rules({
      siteRecordLine(".aXbYc", {"", "dots-as-wildcards"}),
      siteRecordLine(".a.b.c", {"", "literal"}),
  });
  EXPECT_EQ(foundS1(text, ".a.b.c"), "dots-as-wildcards");
  // But the key must fill the whole key tag.
  EXPECT_EQ(foundS1(rules({siteRecordLine(".a.b.cd", {"", "longer"})}), ".a.b.c"), "<none>");
  // A key that is no valid pattern finds nothing, and does not throw.
  EXPECT_EQ(foundS1(rules({siteRecordLine(".a(b", {"", "x"})}), ".a(b"), "<none>");
}

TEST(SiteRecordLookup, FieldsAndTheirEscapes) {
  const std::string text = rules(
      {siteRecordLine(".example.com", {"s0", "{{1}}<ul>{{t}}</ul>{{br}}{{2}}a{{t}}b", "s2", "",
                                       "s4", "s5", "s6", "s7", "s8", "s9", "{{BR}}s10"})});
  const SiteRecord r = getdsbykey(text, ".example.com");
  ASSERT_EQ(r.size(), kSiteRecordFields);
  EXPECT_EQ(r[0], "s0");
  EXPECT_EQ(r[1], "{{1}}<ul>{{t}}</ul>\r\n{{2}}a{{t}}b");
  EXPECT_EQ(r[3], "");
  EXPECT_EQ(r[9], "s9");
  EXPECT_EQ(r[10], "{{BR}}s10");  // only the lower-case escape is a line break
}

TEST(SiteRecordLookup, UpperCaseTagsMatch) {
  const std::string text =
      "<DW><WK>.example.com</WK><S0></S0><S1>upper</S1><S2></S2><S3></S3><S4></S4><S5></S5>"
      "<S6></S6><S7></S7><S8></S8><S9></S9><S10></S10></DW>\r\n";
  EXPECT_EQ(foundS1(text, ".example.com"), "upper");
  EXPECT_EQ(foundS1(text, ".EXAMPLE.com"), "upper");
}

TEST(SiteRecordLookup, RecordOverTwoLinesIsNeverFound) {
  std::string line = siteRecordLine(".example.com", {"", "a", "b"});
  line.insert(line.find("</s1>"), "\r\n");
  EXPECT_EQ(foundS1(rules({line}), ".example.com"), "<none>");
  line = siteRecordLine(".example.com", {"", "a", "b"});
  line.insert(line.find("<s5>"), "\r\n");
  EXPECT_EQ(foundS1(rules({line}), ".example.com"), "<none>");
}

TEST(SiteRecordLookup, EmptyRuleTextHasNoRecords) {
  EXPECT_TRUE(getdsbykey("", ".example.com").empty());
  EXPECT_TRUE(getdsbykey("", ".").empty());
}

class RuleFileBlocks : public ::testing::Test {
 protected:
  testing::TempDir tmp;
  app::ProgramDir dir{tmp.path()};
  void writeFile(const std::string& bytes) { tmp.write("db/bookset.dat", bytes); }
};

TEST_F(RuleFileBlocks, ReadsBothBlocksAsText) {
  // Legacy bytes, mixed line breaks, no final break.
  writeFile(ruleBlock("search\r\nsites") + ruleBlock("\xD6\xD0\xCE\xC4\na\rb\r\nc") +
            ruleBlock("never read"));
  EXPECT_EQ(getsetstr(dir, 0), "search\r\nsites\r\n");
  EXPECT_EQ(getsetstr(dir, 1), "中文\r\na\r\nb\r\nc\r\n");
  EXPECT_EQ(getsetstr(dir, 2), "never read\r\n");
  EXPECT_EQ(getsetstr(dir, 3), "");
  EXPECT_EQ(getsetstr(dir, -1), "");
}

TEST_F(RuleFileBlocks, DamagedFilesGiveEmptyText) {
  struct Case {
    const char* what;
    std::string bytes;
    int block;
  } cases[] = {
      {"empty file", "", 0},
      {"short length field", std::string("\x05\x00", 2), 0},
      {"block 1 missing", ruleBlock("search"), 1},
      {"block 0 runs past the end", ruleBlockLength(100) + "short", 0},
      {"block 0 runs past the end, reading block 1", ruleBlockLength(100) + "short", 1},
      {"block 1 runs past the end", ruleBlock("s") + ruleBlockLength(10) + "abc", 1},
      {"negative length", ruleBlockLength(-1) + "abc", 0},
      {"negative length skipped", ruleBlockLength(-4) + ruleBlock("x") + ruleBlock("y"), 1},
      {"huge length", ruleBlockLength(0x7FFFFFFF) + "abc", 0},
      {"huge length skipped", ruleBlock("s") + ruleBlockLength(0x7FFFFFFF) + "abc", 2},
      {"empty block", ruleBlock("") + ruleBlock("rules"), 0},
  };
  for (const Case& c : cases) {
    writeFile(c.bytes);
    EXPECT_EQ(getsetstr(dir, c.block), "") << c.what;
  }
  // The good block of a file damaged further on is still read.
  writeFile(ruleBlock("search") + ruleBlockLength(10) + "abc");
  EXPECT_EQ(getsetstr(dir, 0), "search\r\n");
}

TEST_F(RuleFileBlocks, MissingFileGivesEmptyText) {
  EXPECT_EQ(getsetstr(dir, 0), "");
  EXPECT_EQ(getsetstr(dir, 1), "");
  RuleText text("old");
  text.load(dir);
  EXPECT_EQ(*text.snapshot(), "");
  EXPECT_TRUE(text.lookup(".example.com").empty());
}

TEST_F(RuleFileBlocks, LoadedRulesFindRecords) {
  writeFile(
      testing::ruleFile(".other.com,1\r\n", siteRecordLine(".example.com", {"", "目录"}) + "\r\n"));
  RuleText text;
  text.load(dir);
  const SiteRecord r = text.lookup(geturlkey("http://www.example.com/book/1/"));
  ASSERT_EQ(r.size(), kSiteRecordFields);
  EXPECT_EQ(r[1], "目录");
}

TEST(RuleTextHolder, SnapshotOutlivesReplacement) {
  RuleText text(siteRecordLine(".old.com", {"", "old"}));
  const std::shared_ptr<const std::string> before = text.snapshot();
  text.replace(siteRecordLine(".new.com", {"", "new"}));
  EXPECT_EQ(foundS1(*before, ".old.com"), "old");
  EXPECT_TRUE(text.lookup(".old.com").empty());
  ASSERT_FALSE(text.lookup(".new.com").empty());
  EXPECT_EQ(text.lookup(".new.com")[1], "new");
}

TEST(RuleTextHolder, LookupsWhileTheTextIsReplaced) {
  // Both texts hold the key; whichever a lookup sees, it must find a whole record of it.
  const std::string first = rules({siteRecordLine(".a.com", {"", "first"})});
  const std::string second =
      rules({siteRecordLine(".x.com", {"", "x"}), siteRecordLine(".a.com", {"", "second"})});
  RuleText text(first);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) text.replace(i % 2 ? first : second);
    done = true;
  });
  int lookups = 0;
  while (!done || lookups == 0) {
    const SiteRecord r = text.lookup(".a.com");
    ASSERT_EQ(r.size(), kSiteRecordFields);
    ASSERT_TRUE(r[1] == "first" || r[1] == "second") << r[1];
    ++lookups;
  }
  writer.join();
}

}  // namespace
}  // namespace mozhou::engine
