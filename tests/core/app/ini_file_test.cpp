#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/temp_dir.h"
#include "text/codec.h"

namespace mozhou::app {
namespace {

namespace fs = std::filesystem;
using mozhou::testing::TempDir;
using text::toLegacy;

// A file as another tool or a hand edit leaves it: comments, blank lines, blanks around "=",
// quotes, other letter case, LF-only lines, duplicates and a last line without a line end.
const std::string kForeign = toLegacy(
    "; settings of the reader\r\n"
    "\r\n"
    "[MainSet]\r\n"
    "  Width = 1024  \r\n"
    "height='768'\r\n"
    "fullscreen = \"0\"\r\n"
    "lonequote = \"\r\n"
    "mixed = \"abc'\r\n"
    "spaced = \"  a b  \"\r\n"
    ";autostart=1\r\n"
    "noequals\r\n"
    "WIDTH=999\n"
    "\r\n"
    "[unknown]\r\n"
    "foo = bar\r\n"
    "\r\n"
    "[ mainset ]\r\n"
    "autodbook=1\r\n"
    "[timeset]\r\n"
    "tsxx=休息一下吧！\r\n"
    "[书癩]\r\n"
    "name=体\r\n"
    "[empty]\r\n"
    "; nothing here yet\r\n"
    "\r\n"
    "[last]\r\n"
    "tail=end");

TEST(IniFileTest, ReadsValuesTheWayTheProfileFunctionsDo) {
  const IniFile ini = IniFile::parse(kForeign);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"mainset", "width", "1024"},            // case and blanks do not count; first key wins
      {" MAINSET ", " width ", "1024"},        // nor do blanks around the names asked for
      {"mainset", "height", "768"},            // single quotes stripped
      {"mainset", "fullscreen", "0"},          // double quotes stripped
      {"mainset", "lonequote", "\""},          // one quote is not a pair
      {"mainset", "mixed", "\"abc'"},          // quotes must match
      {"mainset", "spaced", "  a b  "},        // blanks inside quotes stay
      {"mainset", "autostart", std::nullopt},  // commented out
      {"mainset", "noequals", std::nullopt},
      {"mainset", "autodbook", std::nullopt},  // only the first section of a name is read
      {"unknown", "foo", "bar"},
      {"timeset", "tsxx", "休息一下吧！"},
      {"书癩", "name", "体"},  // "]" as the second byte of a character does not end the name
      {"empty", "anything", std::nullopt},
      {"last", "tail", "end"},
      {"missing", "width", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ini.value(c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_EQ(ini.bytes(), kForeign);
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  const std::size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return s.replace(at, from.size(), to);
}

TEST(IniFileTest, AWriteChangesOnlyItsOwnLine) {
  struct Case {
    const char* section;
    const char* key;
    const char* value;
    std::string expected;
  };
  const Case cases[] = {
      // In place, keeping the original spelling, blanks before the value and the line end.
      {"mainset", "WIDTH", "1280",
       replaced(kForeign, "  Width = 1024  \r\n", "  Width = 1280\r\n")},
      {"mainset", "fullscreen", "1",
       replaced(kForeign, "fullscreen = \"0\"", "fullscreen = \"1\"")},
      {"mainset", "height", "", replaced(kForeign, "height='768'", "height=''")},
      {"timeset", "tsxx", "该休息了",
       replaced(kForeign, toLegacy("tsxx=休息一下吧！"), "tsxx=\xB8\xC3\xD0\xDD\xCF\xA2\xC1\xCB")},
      // A new key goes after the last key line of the first section of its name.
      {"mainset", "closehide", "0",
       replaced(kForeign, "WIDTH=999\n", "WIDTH=999\nclosehide=0\r\n")},
      {"empty", "k", "v", replaced(kForeign, "[empty]\r\n", "[empty]\r\nk=v\r\n")},
      {"last", "more", "1", replaced(kForeign, "tail=end", "tail=end\r\nmore=1\r\n")},
      // A new section goes at the end of the file, after a blank line.
      {"captionset", "captionfont", "宋体",
       kForeign + "\r\n\r\n[captionset]\r\ncaptionfont=\xCB\xCE\xCC\xE5\r\n"},
  };
  for (const Case& c : cases) {
    IniFile ini = IniFile::parse(kForeign);
    ASSERT_TRUE(ini.setValue(c.section, c.key, c.value)) << c.key;
    EXPECT_EQ(ini.bytes(), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(IniFile::parse(ini.bytes()).value(c.section, c.key), c.value) << c.key;
  }
}

TEST(IniFileTest, AnyValueReadsBackAsWritten) {
  const char* values[] = {"",    " lead",  "trail ", "\"quoted\"", "'single'", "\"",
                          "a=b", "; semi", "[x]",    "中文 值",    "\t",       "'mixed\""};
  for (const char* v : values) {
    IniFile ini;
    ASSERT_TRUE(ini.setValue("s", "k", v));
    ASSERT_TRUE(ini.setValue("s", "k", v));  // replacing in place keeps it readable too
    EXPECT_EQ(IniFile::parse(ini.bytes()).value("s", "k"), std::string(v)) << v;
  }
  IniFile ini;
  ASSERT_TRUE(ini.setValue("s", "k", "one\r\ntwo\nthree\rfour"));
  ASSERT_TRUE(ini.setValue("s", "after", "x"));
  EXPECT_EQ(ini.bytes(), "[s]\r\nk=one two three four\r\nafter=x\r\n");
}

TEST(IniFileTest, RefusesNamesThatCannotBeStored) {
  const std::pair<const char*, const char*> bad[] = {{"", "k"},       {"s", ""},    {"a]b", "k"},
                                                     {"s", "a=b"},    {"s", ";k"},  {"s", "[k"},
                                                     {"s\r\nx", "k"}, {"s", "k\nx"}};
  for (const auto& [section, key] : bad) {
    IniFile ini = IniFile::parse(kForeign);
    EXPECT_FALSE(ini.setValue(section, key, "v")) << section << "/" << key;
    EXPECT_EQ(ini.bytes(), kForeign);
  }
}

TEST(IniFileTest, LoadsMissingAsEmptyAndRefusesWhatCannotBeRead) {
  TempDir tmp;
  const auto missing = IniFile::load(tmp.path() / "config/set.ini");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->bytes(), "");
  fs::create_directories(tmp.path() / "dir.ini");
  EXPECT_FALSE(IniFile::load(tmp.path() / "dir.ini"));

  const fs::path path = tmp.write("set.ini", kForeign);
  auto ini = IniFile::load(path);
  ASSERT_TRUE(ini);
  ASSERT_TRUE(ini->setValue("mainset", "width", "1"));
  ASSERT_TRUE(ini->save(path));
  EXPECT_EQ(IniFile::load(path)->value("mainset", "width"), "1");
  EXPECT_FALSE(ini->save(tmp.path() / "dir.ini"));
}

TEST(CutToLegacyBytesTest, CutsAtCharacterBoundaries) {
  struct Case {
    std::string in;
    std::size_t max;
    std::string out;
  };
  const Case cases[] = {
      {"abc", 3, "abc"},
      {"abc", 2, "ab"},
      {"a中", 3, "a中"},
      {"a中", 2, "a"},                          // half of a two-byte character is dropped
      {"a\xF0\xA0\x80\x80", 4, "a"},            // U+20000 takes four bytes
      {"ab\xEF\x9E\x81", 3, "ab\xEF\x9E\x81"},  // a raw byte is one byte
      {"", 0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cutToLegacyBytes(c.in, c.max), c.out) << c.in;
}

}  // namespace
}  // namespace mozhou::app
