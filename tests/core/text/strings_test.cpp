#include "text/strings.h"

#include <gtest/gtest.h>

namespace mozhou::text {
namespace {

TEST(Strings, ReplaceAllDoesNotRescanInsertedText) {
  EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(replaceAll("abab", "ab", "b"), "bb");
  EXPECT_EQ(replaceAll("&nbsp;&nbsp;x", "&nbsp;", " "), "  x");
  EXPECT_EQ(replaceAll("xyz", "", "q"), "xyz");
  EXPECT_EQ(replaceAll("第一章第二章", "章", "节"), "第一节第二节");
}

TEST(Strings, TrimDropsBlanksAndControlCharacters) {
  EXPECT_EQ(trim("  \t\r\n a b \x01\x1f"), "a b");
  EXPECT_EQ(trim(""), "");
  EXPECT_EQ(trim(" \t "), "");
  EXPECT_EQ(trim("\xE3\x80\x80墨\xE3\x80\x80"), "\xE3\x80\x80墨\xE3\x80\x80");  // not ASCII blanks
}

TEST(Strings, SplitAndNormaliseLineBreaks) {
  using V = std::vector<std::string>;
  EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(splitLines("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(splitLines(""), V{});
  EXPECT_EQ(splitLines("\r\n"), V{""});
  EXPECT_EQ(normaliseLineBreaks("a\nb\r\rc"), "a\r\nb\r\n\r\nc\r\n");
  EXPECT_EQ(normaliseLineBreaks("a\r\n"), "a\r\n");
  EXPECT_EQ(normaliseLineBreaks(""), "");
}

TEST(Strings, CaseInsensitiveAsciiAndNumbers) {
  EXPECT_TRUE(iequals("MainSet", "mainset"));
  EXPECT_FALSE(iequals("mainset", "mainset "));
  EXPECT_EQ(toLowerAscii("WWW.Example.COM/墨"), "www.example.com/墨");
  long long v = 0;
  EXPECT_TRUE(parseInt(" 42 ", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(parseInt("-7", v));
  EXPECT_EQ(v, -7);
  EXPECT_FALSE(parseInt("4x", v));
  EXPECT_FALSE(parseInt("", v));
}

}  // namespace
}  // namespace mozhou::text
