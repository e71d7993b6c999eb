#include "engine/rule_source.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/files.h"
#include "text/codec.h"

namespace mozhou::engine {
namespace {

constexpr std::string_view kSource =
    "# demo\n"
    "name: 示例书屋\n"
    "s0: http://127.0.0.1:8611/\n"
    "s1: demo\n"
    "s2: http://127.0.0.1:8611/search?kw=[enkey]\n"
    "s4: {{1}}<table{{t}}</table>\n"
    "s4: {{2}}&nbsp;{{t}}\n"
    "\n"
    "  key: .127.0.0.1:8611\n"
    "s1: {{1}}<div id=\"list\">{{t}}</div>\r\n"
    "s2: <a href=\"(\\d+\\.html)\">([^<]+)</a>\n"
    "s3: $2\n"
    "s4: [webpath]$1\n"
    "s7: {{2}}<br />{{t}}#13#10\n"
    "s7: {{2}}墨舟{{t}}\n"
    "s10: {{3}}x  \n"
    "key: .localhost:8611\n"
    "s9: http://localhost:8611$1\n";

RuleSource parsed(std::string_view text) {
  RuleSource source;
  std::string error;
  EXPECT_TRUE(parseRuleSource(text, "rules.txt", source, &error)) << error;
  return source;
}

std::int32_t lengthAt(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return static_cast<std::int32_t>(v);
}

TEST(RuleSource, PacksBothBlocksAsLengthPrefixedGbkWithCrLf) {
  const RuleSource source = parsed(kSource);
  ASSERT_EQ(source.searchSites.size(), 1u);
  ASSERT_EQ(source.siteRules.size(), 2u);
  const auto packed = packRuleFile(source);
  ASSERT_TRUE(packed);

  // Read the container by hand: length, bytes, length, bytes, nothing more.
  const std::string& file = *packed;
  const std::int32_t len0 = lengthAt(file, 0);
  ASSERT_GT(len0, 0);
  const std::string block0 = file.substr(4, static_cast<std::size_t>(len0));
  const std::int32_t len1 = lengthAt(file, 4 + static_cast<std::size_t>(len0));
  ASSERT_GT(len1, 0);
  const std::string block1 = file.substr(8 + static_cast<std::size_t>(len0));
  EXPECT_EQ(block1.size(), static_cast<std::size_t>(len1));

  // GBK bytes: 示例书屋 is CA BE C0 FD CA E9 CE DD, 墨舟 is C4 AB D6 DB.
  EXPECT_EQ(block0,
            "<sw><wn>\xCA\xBE\xC0\xFD\xCA\xE9\xCE\xDD</wn><s0>http://127.0.0.1:8611/</s0>"
            "<s1>demo</s1><s2>http://127.0.0.1:8611/search?kw=[enkey]</s2><s3></s3>"
            "<s4>{{1}}<table{{t}}</table>{{br}}{{2}}&nbsp;{{t}}</s4><s5></s5><s6></s6><s7></s7>"
            "<s8></s8><s9></s9><s10></s10></sw>\r\n");
  EXPECT_EQ(block1,
            "<dw><wk>.127.0.0.1:8611</wk><s0></s0><s1>{{1}}<div id=\"list\">{{t}}</div></s1>"
            "<s2><a href=\"(\\d+\\.html)\">([^<]+)</a></s2><s3>$2</s3><s4>[webpath]$1</s4>"
            "<s5></s5><s6></s6><s7>{{2}}<br />{{t}}#13#10{{br}}{{2}}\xC4\xAB\xD6\xDB{{t}}</s7>"
            "<s8></s8><s9></s9><s10>{{3}}x  </s10></dw>\r\n"
            "<dw><wk>.localhost:8611</wk><s0></s0><s1></s1><s2></s2><s3></s3><s4></s4><s5></s5>"
            "<s6></s6><s7></s7><s8></s8><s9>http://localhost:8611$1</s9><s10></s10></dw>\r\n");

  // And back: the blocks decode and parse to the same records.
  const auto blocks = unpackRuleFile(file);
  ASSERT_TRUE(blocks);
  ASSERT_EQ(blocks->size(), 2u);
  std::vector<std::string> unreadable;
  const auto sites = parsePackedBlock((*blocks)[0], RuleBlock::SearchSites, &unreadable);
  const auto rules = parsePackedBlock((*blocks)[1], RuleBlock::SiteRules, &unreadable);
  EXPECT_TRUE(unreadable.empty());
  ASSERT_EQ(sites.size(), 1u);
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(sites[0].key, "示例书屋");
  EXPECT_EQ(sites[0].fields, source.searchSites[0].fields);
  EXPECT_EQ(rules[0].key, ".127.0.0.1:8611");
  EXPECT_EQ(rules[0].fields, source.siteRules[0].fields);
  EXPECT_EQ(rules[1].fields, source.siteRules[1].fields);
}

TEST(RuleSource, EmptySourceGivesTwoEmptyBlocks) {
  const auto packed = packRuleFile(RuleSource{});
  ASSERT_TRUE(packed);
  EXPECT_EQ(*packed, std::string(8, '\0'));
  const auto blocks = unpackRuleFile(*packed);
  ASSERT_TRUE(blocks);
  EXPECT_EQ(*blocks, (std::vector<std::string>{"", ""}));
}

TEST(RuleSource, FormattedSourceReadsBackUnchanged) {
  RuleSource source;
  RuleSourceRecord r;
  r.key = ".example.com";
  r.fields[1] = "{{br}} lead{{br}}{{br}}trail {{br}}";  // empty lines and edge blanks
  r.fields[2] = "  two blanks in front";
  r.fields[10] = "{{2}}a{{t}}";
  source.siteRules.push_back(r);
  RuleSourceRecord s;
  s.block = RuleBlock::SearchSites;
  s.key = "书屋";
  s.fields[0] = "http://example.com/";
  source.searchSites.push_back(s);

  const RuleSource again = parsed(formatRuleSource(source));
  ASSERT_EQ(again.siteRules.size(), 1u);
  ASSERT_EQ(again.searchSites.size(), 1u);
  EXPECT_EQ(again.siteRules[0].key, r.key);
  EXPECT_EQ(again.siteRules[0].fields, r.fields);
  EXPECT_EQ(again.searchSites[0].key, s.key);
  EXPECT_EQ(again.searchSites[0].fields, s.fields);
}

TEST(RuleSource, RejectsWhatCouldNotBeReadBack) {
  struct Case {
    const char* text;
    const char* message;  // part of the error
  };
  const Case cases[] = {
      {"s1: x\n", "rules.txt:1: field before the first"},
      {"key: .a.com\nfoo: x\n", "rules.txt:2: unknown label \"foo\""},
      {"key: .a.com\ns11: x\n", "unknown label \"s11\""},
      {"key: .a.com\njust text\n", "rules.txt:2: expected"},
      {"key: www.a.com\n", "write \".a.com\""},
      {"key: .A.com\n", "write \".a.com\""},
      {"key: .a.com/path\n", "write \".a.com\""},
      {"key:\n", "empty key"},
      {"key: .a.com\ns3: x</S3>y\n", "record tag \"</s3>\""},
      {"key: .a.com\ns2: <dw>\n", "record tag \"<dw>\""},
      {"key: .a.com\nkey: .a.com\n", "rules.txt:2: key \".a.com\" is already used at rules.txt:1"},
      {"name: a<b\n", "must not contain"},
      {"name: a\ns0: http://x/<\n", "address must not contain"},
  };
  for (const Case& c : cases) {
    RuleSource source;
    std::string error;
    EXPECT_FALSE(parseRuleSource(c.text, "rules.txt", source, &error)) << c.text;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.text << " → " << error;
  }
}

TEST(RuleSource, DemoSiteReplacementsMoveKeysAndTemplates) {
  RuleSource source = parsed(kSource);
  applyReplacements(source, demoSiteReplacements("127.0.0.1:40123"));
  EXPECT_EQ(source.siteRules[0].key, ".127.0.0.1:40123");
  EXPECT_EQ(source.siteRules[1].key, ".localhost:40123");
  EXPECT_EQ(source.siteRules[1].fields[9], "http://localhost:40123$1");
  EXPECT_EQ(source.searchSites[0].fields[0], "http://127.0.0.1:40123/");
  EXPECT_EQ(source.searchSites[0].fields[2], "http://127.0.0.1:40123/search?kw=[enkey]");
  EXPECT_TRUE(demoSiteReplacements("127.0.0.1").empty());
}

TEST(RuleSource, UnpackRejectsBrokenContainers) {
  const std::string ok = *packRuleFile({"a\r\n", "b\r\n"});
  EXPECT_TRUE(unpackRuleFile(ok));
  EXPECT_FALSE(unpackRuleFile(ok.substr(0, ok.size() - 1)));         // last block cut short
  EXPECT_FALSE(unpackRuleFile(ok.substr(0, 2)));                     // length cut short
  EXPECT_FALSE(unpackRuleFile(std::string("\xFF\xFF\xFF\xFF", 4)));  // negative length
}

TEST(RuleSource, PackedBlockTagsMatchInAnyCaseAndOddLinesAreReported) {
  std::vector<std::string> unreadable;
  const auto records = parsePackedBlock(
      "<DW><WK>.a.com</WK><S0>x</S0><s1></s1><s2></s2><s3></s3><s4></s4><s5></s5><s6></s6>"
      "<s7></s7><s8></s8><s9></s9><s10>y</s10></DW>\r\n"
      "<dw><wk>.b.com</wk><s0></s0></dw>\r\n"
      "\r\n",
      RuleBlock::SiteRules, &unreadable);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].key, ".a.com");
  EXPECT_EQ(records[0].fields[0], "x");
  EXPECT_EQ(records[0].fields[10], "y");
  EXPECT_EQ(unreadable, (std::vector<std::string>{"<dw><wk>.b.com</wk><s0></s0></dw>"}));
}

// The shipped rule source must always pack: it is what the program directory is staged with.
TEST(RuleSource, ShippedRulesParse) {
  RuleSource source;
  for (const char* name : {"data/rules/search_sites.txt", "data/rules/site_rules.txt"}) {
    const auto text = app::readFileBytes(std::filesystem::path(MOZHOU_SOURCE_DIR) / name);
    ASSERT_TRUE(text) << name;
    std::string error;
    EXPECT_TRUE(parseRuleSource(*text, name, source, &error)) << error;
  }
  ASSERT_EQ(source.siteRules.size(), 2u);
  EXPECT_EQ(source.siteRules[0].key, ".127.0.0.1:8611");
  EXPECT_EQ(source.siteRules[1].key, ".localhost:8611");
  EXPECT_EQ(source.searchSites.size(), 2u);
  for (const RuleSourceRecord& r : source.siteRules) {
    EXPECT_FALSE(r.fields[2].empty()) << r.key;
    EXPECT_FALSE(r.fields[7].empty()) << r.key;
  }
}

}  // namespace
}  // namespace mozhou::engine
