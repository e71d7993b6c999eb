#include "engine/rule_expr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/page_base.h"
#include "text/codec.h"

namespace mozhou::engine {
namespace {

class RuleExpr : public ::testing::Test {
 protected:
  void SetUp() override { setPageBase("http://example.com/book/"); }
  void TearDown() override { setPageBase(""); }
};

TEST_F(RuleExpr, OperandEscapes) {
  EXPECT_EQ(hcs("a#13#10b"), "a\r\nb");
  EXPECT_EQ(hcs("#10#13"), "\n\r");
  EXPECT_EQ(hcs("#1310"), "\r10");
  EXPECT_EQ(hcs("#11#9"), "#11#9");
}

TEST_F(RuleExpr, ListLinesAndOperatorCodes) {
  struct Case {
    const char* list;
    const char* text;
    const char* result;
  } cases[] = {
      {"{{2}}a{{t}}b", "aXa", "bXb"},
      {"{{2}}a{{T}}b", "aXa", "bXb"},   // the separator's case does not matter
      {"{{ 2}}a{{t}}b", "aXa", "aXa"},  // the code is compared exactly
      {"{{02}}a{{t}}b", "aXa", "aXa"},
      {"{{ 1}}X{{t}}", "aXa", "aXa"},
      {"{{01}}X{{t}}", "aXa", "aXa"},
      {"{{1}}X{{t}}", "aXa", "Xa"},
      {"{{9}}a{{t}}b", "aXa", "aXa"},
      {"{{}}a{{t}}b", "aXa", "aXa"},
      {"{{2}}a", "aXa", "aXa"},  // no separator: no expression
      {"2}}a{{t}}b", "aXa", "aXa"},
      {"junk {{2}}a{{t}}b", "aXa", "bXb"},  // text in front of the expression is ignored
      {"{{2}}a{{t}}b{{t}}c", "aXa", "b{{t}}cXb{{t}}c"},  // B runs to the end of the line
      {"{{2}}X{{t}}#13#10", "aXa", "a\r\na"},
      {"{{2}}a{{t}}b\r{{2}}b{{t}}c\n{{2}}c{{t}}d\r\n\r\n{{2}}d{{t}}e", "a", "e"},
      {"", "aXa", "aXa"},
      {"{{2}}X{{t}}[webpath]", "aXa", "ahttp://example.com/book/a"},
      {"{{1}}[webpath]{{t}}", "see http://example.com/book/1.html",
       "http://example.com/book/1.html"},
  };
  for (const Case& c : cases) EXPECT_EQ(guizstr(c.text, c.list), c.result) << c.list;
}

TEST_F(RuleExpr, CutBetweenMarkers) {
  struct Case {
    const char* text;
    const char* a;
    const char* b;
    const char* result;
  } cases[] = {
      {"head<ul>one</ul>tail", "<ul>", "</ul>", "<ul>one</ul>"},
      {"head one</ul>tail", "<ul>", "</ul>", "head one</ul>"},     // start missing
      {"head<ul>one tail", "<ul>", "</ul>", "<ul>one tail"},       // end missing
      {"</ul>head<ul>one", "<ul>", "</ul>", "<ul>one"},            // end only before start
      {"a<ul>1</ul>b<ul>2</ul>c", "<ul>", "</ul>", "<ul>1</ul>"},  // first occurrences
      {"abc", "", "b", "ab"},
      {"abc", "b", "", "bc"},
      {"abc", "", "", "abc"},
      {"abc", "x", "y", "abc"},
      {"<UL>x</UL>", "<ul>", "</ul>", "<UL>x</UL>"},  // markers match case exactly
  };
  for (const Case& c : cases) EXPECT_EQ(getps(c.text, "1", c.a, c.b), c.result) << c.text;
}

TEST_F(RuleExpr, ReplaceText) {
  EXPECT_EQ(getps("aAaA", "2", "a", "b"), "bAbA");
  EXPECT_EQ(getps("a&nbsp;b&nbsp;", "2", "&nbsp;", ""), "ab");
  EXPECT_EQ(getps("aa", "2", "a", "aa"), "aaaa");  // inserted text is not searched again
  EXPECT_EQ(getps("abc", "2", "", "x"), "abc");
  EXPECT_EQ(getps("abc", "2", "[webpath]", "x"), "abc");
  EXPECT_EQ(getps("http://example.com/book/", "2", "[webpath]", "x"), "x");
}

TEST_F(RuleExpr, ReplacePattern) {
  struct Case {
    const char* text;
    const char* pattern;
    const char* tmpl;
    const char* result;
  } cases[] = {
      {"a1b22c", "\\d+", "#", "a#b#c"},
      {"ABC", "b", "x", "AxC"},                                   // patterns ignore case
      {"<br/>x<BR />", "<br\\s*/?>", "#13#10", "#13#10x#13#10"},  // hcs is the list's job
      {"<a>x</a><a>y</a>", "<a>(.*?)</a>", "[$1]", "[x][y]"},
      {"1 1 2", "(\\d)", "<$1>", "<1> <1> <2>"},          // identical matches: first expansion
      {"第1章 第1章", "(\\d)", "$1$1", "第11章 第11章"},  // expansions are not expanded again
      {"a1b2", "([a-z])(\\d)", "$2$1", "1a2b"},
      {"a1 a2", "(a)(?=1)", "[$1]", "[a]1 [a]2"},  // the matched text is replaced everywhere
      {"aaa", "(aa)", "<$1>", "<aa>a"},
      {"ab b", "(ab|b)", "[$1]", "[ab] [b]"},  // later matches leave expansions alone
      {"a1b2", "([a-z])\\d", "$1$2", "a$2b$2"},
      {"x.jpg", "(\\w+)\\.jpg", "[webpath]$1.png", "http://example.com/book/x.png"},
      {"abc", "(", "x", "abc"},  // a pattern that does not compile changes nothing
      {"abc", "(b", "$1", "abc"},
      {"abc", "z(\\w)", "$1", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(getps(c.text, "3", c.pattern, c.tmpl), c.result) << c.text;
}

TEST_F(RuleExpr, ReplacePatternOnALongPage) {
  std::string page;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i % 1234);
    page += "<li>[x" + n + "]</li>";
    expected += "<li><a href=\"http://example.com/book/" + n + ".html\">" + n + "</a></li>";
  }
  EXPECT_EQ(getps(page, "3", "\\[x(\\d+)\\]", "<a href=\"[webpath]$1.html\">$1</a>"), expected);
}

TEST_F(RuleExpr, TemplateExpansion) {
  const std::vector<std::string> twelve{"one",   "two",   "three", "four", "five",   "six",
                                        "seven", "eight", "nine",  "ten",  "eleven", "twelve"};
  struct Case {
    const char* tmpl;
    std::vector<std::string> groups;
    const char* result;
  } cases[] = {
      {"$12|$1", twelve, "twelve|one"},
      {"$12", {"A"}, "A2"},
      {"$10", {"A", "B", "C"}, "A0"},  // fewer than ten groups
      {"$10", twelve, "ten"},
      {"$1$2", {"A", "B"}, "AB"},
      {"$1$2", {"A"}, "A$2"},
      {"$0$", {"A"}, "$0$"},
      {"$1-$1", {""}, "-"},       // a group that took no part is empty
      {"$2", {"A", "$1"}, "$1"},  // group text is inserted as it is
      {"[webpath]$1", {"1.html"}, "http://example.com/book/1.html"},
      {"[WEBPATH]", {}, "[WEBPATH]"},
      {"$1", {}, "$1"},
  };
  for (const Case& c : cases) EXPECT_EQ(regsp(c.tmpl, c.groups), c.result) << c.tmpl;
}

// A UTF-8 page as the fetcher hands it over: its bytes read as legacy text.
std::string utf8PageAsLegacy(const std::string& bytes) { return text::fromLegacy(bytes); }

TEST_F(RuleExpr, ConvertUtf8PageToLegacyText) {
  const std::string page =
      "<p>\xE4\xB8\xAD\xE6\x96\x87 \xE2\x80\x9C"
      "ok\xE2\x80\x9D</p>";
  ASSERT_NE(utf8PageAsLegacy(page), "<p>中文 “ok”</p>");
  for (const char* code : {"1", "2"})
    EXPECT_EQ(getps(utf8PageAsLegacy(page), "0", code, ""), "<p>中文 “ok”</p>") << code;
  EXPECT_EQ(guizstr(utf8PageAsLegacy(page), "{{0}}1{{t}}"), "<p>中文 “ok”</p>");
}

TEST_F(RuleExpr, ConvertMalformedUtf8GivesEmptyText) {
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"cut short at the end", "ab\xE4\xB8"},
      {"cut short in the middle",
       "\xE4\xB8"
       "ab"},
      {"missing continuation", "\xE4\x41\xAD"},
      {"stray continuation byte", "a\xADz"},
      {"four-byte sequence", "a\xF0\x9F\x98\x80"},
      {"overlong form", "\xC0\xAF"},
      {"GBK bytes", "\xD6\xD0\xCE\xC4"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(getps(utf8PageAsLegacy(c.bytes), "0", "1", ""), "") << c.what;
  // Text that never came from UTF-8 bytes, such as GBK read properly, is not UTF-8 either.
  EXPECT_EQ(getps("中文", "0", "2", ""), "");
  EXPECT_EQ(getps("plain ascii", "0", "1", ""), "plain ascii");
}

TEST_F(RuleExpr, ConvertUtf8WithoutALegacyCharacter) {
  // U+F780 is what our texts use for an undecodable byte: it has no character of its own.
  EXPECT_EQ(getps(utf8PageAsLegacy("a\xEF\x9E\x80z"), "0", "1", ""), "a?z");
}

TEST_F(RuleExpr, ConvertLegacyTextToUtf8Bytes) {
  for (const char* code : {"0", "3"}) {
    const std::string converted = getps("<p>中文</p>", "0", code, "");
    // Written out in the legacy code page, the text is the UTF-8 bytes of the original.
    EXPECT_EQ(text::toLegacy(converted), "<p>\xE4\xB8\xAD\xE6\x96\x87</p>") << code;
    // And the opposite conversion brings the characters back.
    EXPECT_EQ(getps(converted, "0", "1", ""), "<p>中文</p>") << code;
  }
  // A byte that never formed a character becomes "?".
  EXPECT_EQ(text::toLegacy(getps(text::fromLegacy("a\xFFz"), "0", "0", "")), "a?z");
  EXPECT_EQ(getps("ascii", "0", "3", ""), "ascii");
}

TEST_F(RuleExpr, ConversionCodes) {
  EXPECT_EQ(getps("&#20013;", "0", "4", ""), "中");
  for (const char* code : {"5", " 1", "01", "", "x"})
    EXPECT_EQ(getps("&#20013;\xE4", "0", code, ""), "&#20013;\xE4") << code;
}

TEST_F(RuleExpr, ListOfConversions) {
  // A UTF-8 site: convert, decode references, cut out the content.
  const std::string page =
      utf8PageAsLegacy("<html><div id=c>\xE7\xAC\xAC&#19968;\xE7\xAB\xA0</div></html>");
  const std::string list =
      "{{0}}1{{t}}\r\n{{0}}4{{t}}\r\n{{1}}<div id=c>{{t}}</div>\r\n{{3}}<[^>]+>{{t}}";
  EXPECT_EQ(guizstr(page, list), "第一章");
}

}  // namespace
}  // namespace mozhou::engine
