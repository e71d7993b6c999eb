#include "text/regex.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace mozhou::text {
namespace {

// One expected match: its text followed by the text of each group.
using Expected = std::vector<std::vector<std::string>>;

std::vector<std::vector<std::string>> flatten(const RegexResult& r) {
  std::vector<std::vector<std::string>> out;
  for (const RegexMatch& m : r.matches) {
    std::vector<std::string> row{m.value};
    row.insert(row.end(), m.subMatches.begin(), m.subMatches.end());
    out.push_back(std::move(row));
  }
  return out;
}

TEST(Regex, MatchesTheDialect) {
  struct Case {
    const char* what;
    std::string pattern;
    std::string subject;
    Expected expected;
  } cases[] = {
      {"lazy group stops at the first closing delimiter",
       "<b>(.*?)</b>",
       "<b>一</b><b>二</b>",
       {{"<b>一</b>", "一"}, {"<b>二</b>", "二"}}},
      {"lazy group never crosses a line feed",
       "<b>(.*?)</b>",
       "<b>a\nb</b><b>c</b>",
       {{"<b>c</b>", "c"}}},
      {"dot takes a carriage return", "a.b", "a\rb", {{"a\rb"}}},
      {"negated class with a lazy count",
       "<p>([^<]*?)</p>",
       "<p>x</p><p>y<i></p>",
       {{"<p>x</p>", "x"}}},
      {"counted repetition", "[^&]{1,5}", "abcdefg&h", {{"abcde"}, {"fg"}, {"h"}}},
      {"dots of a spliced site key match any character",
       "\\|.abc.com\\|",
       "|.abc.com|-|xabcycom|-|.abc/com",
       {{"|.abc.com|"}, {"|xabcycom|"}}},
      {"groups that took no part are empty", "(a)|(b)", "ab", {{"a", "a", ""}, {"b", "", "b"}}},
      {"optional group that took no part", "(x)?y(z)?", "y", {{"y", "", ""}}},
      {"empty matches advance one character", "x*", "abc", {{""}, {""}, {""}, {""}}},
      {"empty and non-empty matches", "a*", "baac", {{""}, {"aa"}, {""}, {""}}},
      {"empty matches never split a character", "x*", "墨舟", {{""}, {""}, {""}}},
      {"case-insensitive ASCII", "ABC", "xabcAbC", {{"abc"}, {"AbC"}}},
      {"case-insensitive Latin", "é+", "ÉéE", {{"Éé"}}},
      {"case-insensitive class range", "[à-ö]+", "ÀÉÖ÷", {{"ÀÉÖ"}}},
      {"case-insensitive Greek, final sigma too", "σ", "ΣσςΑ", {{"Σ"}, {"σ"}, {"ς"}}},
      {"Chinese text character-wise",
       "第(.)章",
       "第一章第二十章第三章",
       {{"第一章", "一"}, {"第三章", "三"}}},
      {"dot on Chinese", "墨.舟", "墨x舟墨字舟墨舟", {{"墨x舟"}, {"墨字舟"}}},
      {"braces that form no repetition",
       "{{(.*?)}}(.*?){{t}}(.*)",
       "{{a}}b{{t}}c",
       {{"{{a}}b{{t}}c", "a", "b", "c"}}},
      {"brace with an empty lower bound", "a{,3}", "aa{,3}", {{"a{,3}"}}},
      {"unclosed brace", "x{", "x{y", {{"x{"}}},
      {"brace with letters", "a{b}", "a{b}", {{"a{b}"}}},
      {"brace quantifiers", "a{2}|b{2,}|c{1,2}", "aaabbbccc", {{"aa"}, {"bbb"}, {"cc"}, {"c"}}},
      {"dollar only at the very end", "b$", "ab\n", {}},
      {"dollar at the end", "b$", "a\nb", {{"b"}}},
      {"caret only at the start", "^a", "b\na", {}},
      {"empty negated class matches anything", "[^]", "a\nb", {{"a"}, {"\n"}, {"b"}}},
      {"empty class matches nothing", "a[]|b", "ab", {{"b"}}},
      {"\\u escape", "\\u58a8", "墨舟", {{"墨"}}},
      {"\\u surrogate pair", "\\ud842\\udfb7", "a𠮷b", {{"𠮷"}}},
      {"\\x escape", "\\x41\\x4", "bAx4", {{"Ax4"}}},
      {"backreference to a group that took no part", "(a)?b\\1", "b", {{"b", ""}}},
      {"backreference in another branch", "(a)|b\\1", "b", {{"b", ""}}},
      {"backreference to a group that took part", "(a)b\\1", "aba", {{"aba", "a"}}},
      {"\\s includes Unicode spaces", "\\s+", "a\u3000\u00a0 \tb", {{"\u3000\u00a0 \t"}}},
      {"\\S excludes them", "\\S+", "a\u3000b", {{"a"}, {"b"}}},
      {"\\S inside a class", "[\\S]+", "a\u3000b", {{"a"}, {"b"}}},
      {"negated \\S inside a class", "[^\\Sb]+", "a\u3000 b\n", {{"\u3000 "}, {"\n"}}},
      {"\\s and \\S together", "[\\s\\S]+", "a\u3000\nb", {{"a\u3000\nb"}}},
      {"\\w, \\d and \\b stay ASCII", "\\b\\w+\\b|\\d", "ab墨cd 1２", {{"ab"}, {"cd"}, {"1"}}},
      {"\\v is the vertical tab", "a\\vb", "a\nb a\vb", {{"a\vb"}}},
      {"unknown letter escapes are the letter", "\\Q.\\E\\h", "Q*Eh", {{"Q*Eh"}}},
      {"open bracket in a class is ordinary", "[[:digit:]]+", "1d]]", {{"d]]"}}},
      {"lookahead and non-capturing group", "(?:a|b)(?=c)(.)", "abcbd", {{"bc", "c"}}},
      {"raw-byte stand-ins are ordinary characters",
       "a(.)b",
       "a\xEF\x9E\x80"
       "b",
       {{"a\xEF\x9E\x80"
         "b",
         "\xEF\x9E\x80"}}},
  };
  for (const Case& c : cases) {
    const RegexResult r = regexExecute(c.pattern, c.subject);
    ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
    EXPECT_EQ(flatten(r), c.expected) << c.what;
  }
}

TEST(Regex, PositionsCountBytesAndCharacters) {
  const RegexResult r = regexExecute("第(.*?)章", "第一章 第二十章 x第三章");
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.matches.size(), 3u);
  const std::size_t positions[] = {0, 10, 24};
  const std::size_t indices[] = {0, 4, 10};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(r.matches[i].position, positions[i]) << i;
    EXPECT_EQ(r.matches[i].index, indices[i]) << i;
  }
  // Every group is reported, even when the pattern has more groups than were used.
  const RegexResult g = regexExecute("(a)|(b)|(c)", "a");
  ASSERT_EQ(g.matches.size(), 1u);
  EXPECT_EQ(g.matches[0].subMatches, (std::vector<std::string>{"a", "", ""}));
}

TEST(Regex, PatternsThatDoNotCompileAreErrors) {
  for (const char* pattern : {"(", "a)", "[a", "*a", "a{2,1}", "\\", "(?<", "\xff"}) {
    const RegexResult r = regexExecute(pattern, "a(b)[a]");
    EXPECT_FALSE(r.ok) << pattern;
    EXPECT_FALSE(r.error.empty()) << pattern;
    EXPECT_TRUE(r.matches.empty()) << pattern;
    const RegexReplaceResult rr = regexReplace(pattern, "a(b)[a]", "x");
    EXPECT_FALSE(rr.ok) << pattern;
    std::string error;
    EXPECT_FALSE(regexValid(pattern, &error)) << pattern;
    EXPECT_EQ(error, r.error) << pattern;
  }
  std::string error;
  EXPECT_TRUE(regexValid("<a href=\"(.*?)\">", &error)) << error;
  // The offset points into the caller's pattern, not into its rewritten form.
  EXPECT_NE(regexExecute("\\s\\s(", "").error.find("offset 5"), std::string::npos);
}

TEST(Regex, RunawayBacktrackingFailsInsteadOfHanging) {
  struct Case {
    std::string pattern;
    std::string subject;
  } cases[] = {
      {"(a+)+b", std::string(40, 'a') + "!b"},
      {"(x+x+)+y", std::string(40, 'x') + "!y"},
      {"<a>((.*?)*?)*?</a>", "<a>" + std::string(40, 'q') + "</b></a"},
  };
  for (const Case& c : cases) {
    const RegexResult r = regexExecute(c.pattern, c.subject);
    EXPECT_FALSE(r.ok) << c.pattern;
    EXPECT_FALSE(r.error.empty()) << c.pattern;
    EXPECT_TRUE(r.matches.empty()) << c.pattern;
    const RegexReplaceResult rr = regexReplace(c.pattern, c.subject, "-");
    EXPECT_FALSE(rr.ok) << c.pattern;
    EXPECT_TRUE(rr.text.empty()) << c.pattern;
  }
  // The same pattern still works where it can match.
  const RegexResult fine = regexExecute("(a+)+b", "aaab");
  ASSERT_TRUE(fine.ok) << fine.error;
  EXPECT_EQ(flatten(fine), (Expected{{"aaab", "aaa"}}));
}

TEST(Regex, LongPagesStayWithinTheLimits) {
  // One lazy group over almost all of a 1 MB page.
  const std::string content(1 << 20, 'z');
  const RegexResult one =
      regexExecute("<div id=\"content\">(.*?)</div>", "<div id=\"content\">" + content + "</div>");
  ASSERT_TRUE(one.ok) << one.error;
  ASSERT_EQ(one.matches.size(), 1u);
  EXPECT_EQ(one.matches[0].subMatches[0].size(), content.size());

  // A table of contents of 10 000 entries.
  std::string page;
  for (int i = 0; i < 10000; ++i) {
    page += "<dd><a href=\"/book/1/" + std::to_string(i) + ".html\">第" + std::to_string(i) +
            "章 标题标题标题标题标题标题标题标题标题标题标题</a></dd>";
  }
  ASSERT_GT(page.size(), 1'000'000u);
  const RegexResult toc = regexExecute("<dd><a href=\"(.*?)\">(.*?)</a></dd>", page);
  ASSERT_TRUE(toc.ok) << toc.error;
  ASSERT_EQ(toc.matches.size(), 10000u);
  EXPECT_EQ(toc.matches[9999].subMatches[0], "/book/1/9999.html");
  EXPECT_EQ(toc.matches[9999].subMatches[1],
            "第9999章 标题标题标题标题标题标题标题标题标题标题标题");
}

TEST(Regex, TextThatIsNotUtf8IsAnErrorNotACrash) {
  for (const char* subject : {"a\xff"
                              "b",
                              "\xe5\xa2", "\xed\xa0\x80", "a\xc0\xafz"}) {
    const RegexResult r = regexExecute("a|.", subject);
    EXPECT_FALSE(r.ok) << subject;
    EXPECT_FALSE(r.error.empty()) << subject;
    EXPECT_FALSE(regexReplace("a", subject, "b").ok) << subject;
  }
}

TEST(Regex, ReplaceTakesTheReplacementLiterally) {
  struct Case {
    std::string pattern;
    std::string subject;
    std::string replacement;
    std::string expected;
  } cases[] = {
      {"(\\d+)", "a1b22", "$1", "a$1b$1"},
      {"(a)", "aXa", "$&$1$$\\1", "$&$1$$\\1X$&$1$$\\1"},
      {"x*", "abc", "-", "-a-b-c-"},
      {"ABC", "abcABCaBc", "x", "xxx"},
      {"章", "第一章第二章", "节", "第一节第二节"},
      {"<br\\s*/?>", "a<br>b<BR />c", "\n", "a\nb\nc"},
      {"q", "abc", "z", "abc"},
      {"", "", "-", "-"},
  };
  for (const Case& c : cases) {
    const RegexReplaceResult r = regexReplace(c.pattern, c.subject, c.replacement);
    ASSERT_TRUE(r.ok) << c.pattern << ": " << r.error;
    EXPECT_EQ(r.text, c.expected) << c.pattern;
  }
}

TEST(Regex, EscapedTextMatchesOnlyItself) {
  for (const std::string text : {"a.b", "(1+1)*[2]?", "{{t}}", "$^|\\/-", "墨.舟", "[^]"}) {
    const std::string pattern = regexEscape(text);
    const RegexResult r = regexExecute(pattern, "<" + text + ">");
    ASSERT_TRUE(r.ok) << text << ": " << r.error;
    EXPECT_EQ(flatten(r), (Expected{{text}})) << text;
  }
  EXPECT_TRUE(regexExecute(regexEscape("a.b"), "axb").matches.empty());
}

TEST(Regex, ManyPatternsOnManyThreads) {
  // More patterns than any cache holds, on several threads at once: every answer must be
  // that of its own pattern.
  std::vector<std::string> patterns;
  for (int i = 0; i < 100; ++i) patterns.push_back("<" + std::to_string(i) + ">(.*?)</>");
  std::string subject;
  for (int i = 0; i < 100; ++i)
    subject += "<" + std::to_string(i) + ">v" + std::to_string(i) + "</>";
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 100; ++i) {
          const int k = (i * 7 + t * 13) % 100;
          const RegexResult r = regexExecute(patterns[k], subject);
          if (!r.ok || r.matches.size() != 1 ||
              r.matches[0].subMatches[0] != "v" + std::to_string(k)) {
            ++failures[t];
          }
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace mozhou::text
