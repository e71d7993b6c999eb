#include "app/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/files.h"
#include "support/temp_dir.h"
#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::app {
namespace {

namespace fs = std::filesystem;
using mozhou::testing::TempDir;

// A program directory as installed: "config" exists, the settings file does not.
struct ProgramDirFixture {
  TempDir tmp;
  ProgramDirFixture() { fs::create_directories(tmp.path() / "config"); }
  ProgramDir dir() const { return ProgramDir(tmp.path()); }
  fs::path file() const { return tmp.path() / "config/set.ini"; }
  std::string bytes() const { return readFileBytes(file()).value_or("<missing>"); }
};

// Section names in file order, and the keys under each header, from a settings file.
std::vector<std::pair<std::string, std::vector<std::string>>> layout(const std::string& bytes) {
  std::vector<std::pair<std::string, std::vector<std::string>>> out;
  for (const std::string& line : text::splitLines(text::fromLegacy(bytes))) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      out.push_back({line.substr(1, line.size() - 2), {}});
    } else if (!out.empty()) {
      out.back().second.push_back(line.substr(0, line.find('=')));
    }
  }
  return out;
}

#define MOZHOU_SETTING_NAME(name) \
  { Setting::name, #name }
const std::pair<Setting, const char*> kNames[] = {
    MOZHOU_SETTING_NAME(autostart),    MOZHOU_SETTING_NAME(firstrun),
    MOZHOU_SETTING_NAME(autodbook),    MOZHOU_SETTING_NAME(width),
    MOZHOU_SETTING_NAME(height),       MOZHOU_SETTING_NAME(fullscreen),
    MOZHOU_SETTING_NAME(versionid),    MOZHOU_SETTING_NAME(autoup),
    MOZHOU_SETTING_NAME(sscount),      MOZHOU_SETTING_NAME(closehide),
    MOZHOU_SETTING_NAME(closenoqr),    MOZHOU_SETTING_NAME(defaultskin),
    MOZHOU_SETTING_NAME(userlist),     MOZHOU_SETTING_NAME(useproxy),
    MOZHOU_SETTING_NAME(proxytype),    MOZHOU_SETTING_NAME(proxyserver),
    MOZHOU_SETTING_NAME(proxyport),    MOZHOU_SETTING_NAME(proxyuser),
    MOZHOU_SETTING_NAME(proxypass),    MOZHOU_SETTING_NAME(showkey),
    MOZHOU_SETTING_NAME(capkey),       MOZHOU_SETTING_NAME(bosskey),
    MOZHOU_SETTING_NAME(bossstop),     MOZHOU_SETTING_NAME(automark),
    MOZHOU_SETTING_NAME(voicechoise),  MOZHOU_SETTING_NAME(voicerate),
    MOZHOU_SETTING_NAME(voicevolume),  MOZHOU_SETTING_NAME(voiceread),
    MOZHOU_SETTING_NAME(autonext),     MOZHOU_SETTING_NAME(showcaption),
    MOZHOU_SETTING_NAME(captionleft),  MOZHOU_SETTING_NAME(captiontop),
    MOZHOU_SETTING_NAME(captionwidth), MOZHOU_SETTING_NAME(captionback),
    MOZHOU_SETTING_NAME(backcolor),    MOZHOU_SETTING_NAME(captionfont),
    MOZHOU_SETTING_NAME(captionsize),  MOZHOU_SETTING_NAME(captionbold),
    MOZHOU_SETTING_NAME(vertical),     MOZHOU_SETTING_NAME(captioncolor),
    MOZHOU_SETTING_NAME(showshadow),   MOZHOU_SETTING_NAME(shadowcolor),
    MOZHOU_SETTING_NAME(showshade),    MOZHOU_SETTING_NAME(shadecolor),
    MOZHOU_SETTING_NAME(shadetype),    MOZHOU_SETTING_NAME(lockcap),
    MOZHOU_SETTING_NAME(ssout),        MOZHOU_SETTING_NAME(setvid),
    MOZHOU_SETTING_NAME(upvid),        MOZHOU_SETTING_NAME(tsuse),
    MOZHOU_SETTING_NAME(tstm),         MOZHOU_SETTING_NAME(tsxx),
    MOZHOU_SETTING_NAME(gjtm),
};
#undef MOZHOU_SETTING_NAME

TEST(SettingsTableTest, NamedIndicesMatchTheKeysAndDefaults) {
  ASSERT_EQ(std::size(kNames), kSettingCount);
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    EXPECT_EQ(static_cast<std::size_t>(kNames[i].first), i);
    EXPECT_STREQ(settingInfo(kNames[i].first).key, kNames[i].second);
    EXPECT_EQ(findSetting(settingInfo(settingAt(i)).section, kNames[i].second), settingAt(i));
  }
  EXPECT_EQ(findSetting("ProxySet", "UseProxy"), Setting::useproxy);
  EXPECT_EQ(findSetting("mainset", "useproxy"), std::nullopt);

  Settings s(ProgramDir("/nonexistent"));
  const std::pair<Setting, const char*> defaults[] = {
      {Setting::firstrun, "1"},
      {Setting::versionid, "1.00"},
      {Setting::defaultskin, ""},
      {Setting::proxytype, "1"},
      {Setting::bosskey, "Alt+X"},
      {Setting::captionfont, "宋体"},
      {Setting::captioncolor, "#FF0000"},
      {Setting::ssout, "10"},
      {Setting::tsxx, "看书满半小时了，举目远眺，让眼睛休息一下吧！"},
  };
  for (const auto& [setting, value] : defaults) EXPECT_EQ(s.get(setting), value);
  EXPECT_STREQ(settingInfo(Setting::ssout).section, "mainset");
  EXPECT_STREQ(settingInfo(Setting::tsxx).section, "timeset");
}

TEST(SettingsTest, FreshStartKeepsDefaultsAndWritesNothing) {
  ProgramDirFixture p;
  Settings s(p.dir());
  s.newset();
  EXPECT_TRUE(s.getset());
  for (std::size_t i = 0; i < kSettingCount; ++i)
    EXPECT_EQ(s.get(settingAt(i)), settingInfo(settingAt(i)).defaultValue);
  // The guard starts cleared: nothing reaches the file before the settings are applied.
  EXPECT_FALSE(s.writeGuard());
  s.set(Setting::width, "1000");
  EXPECT_FALSE(s.writeset());
  EXPECT_FALSE(s.writesetx(Setting::width));
  EXPECT_TRUE(fs::is_empty(p.tmp.path() / "config"));
}

TEST(SettingsTest, WholeListRoundTripsInTheFileLayout) {
  ProgramDirFixture p;
  Settings s(p.dir());
  for (std::size_t i = 0; i < kSettingCount; ++i)
    s.set(settingAt(i), "值" + std::to_string(i) + (i % 2 ? " x" : ""));
  s.set(Setting::proxypass, " \"secret\" ");
  s.setWriteGuard(true);
  ASSERT_TRUE(s.writeset());
  EXPECT_TRUE(s.writeGuard());

  Settings back(p.dir());
  ASSERT_TRUE(back.getset());
  for (std::size_t i = 0; i < kSettingCount; ++i)
    EXPECT_EQ(back.get(settingAt(i)), s.get(settingAt(i))) << settingInfo(settingAt(i)).key;

  const auto sections = layout(p.bytes());
  std::vector<std::string> names;
  for (const auto& section : sections) names.push_back(section.first);
  EXPECT_EQ(names, (std::vector<std::string>{"mainset", "proxyset", "keyset", "readset", "voiceset",
                                             "captionset", "timeset"}));
  std::vector<std::string> mainKeys;
  for (std::size_t i = 0; i <= 12; ++i) mainKeys.push_back(settingInfo(settingAt(i)).key);
  for (const char* k : {"ssout", "setvid", "upvid"}) mainKeys.push_back(k);
  ASSERT_EQ(mainKeys.size(), 16u);
  EXPECT_EQ(sections[0].second, mainKeys);
  std::size_t keys = 0;
  for (const auto& section : sections) keys += section.second.size();
  EXPECT_EQ(keys, kSettingCount);
  const std::string bytes = p.bytes();
  EXPECT_EQ(text::replaceAll(bytes, "\r\n", "").find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST(SettingsTest, ReadsAForeignFileAndWritesOnlyTheChangedValue) {
  ProgramDirFixture p;
  const std::string foreign = text::toLegacy(
      "; edited by hand\r\n"
      "[MainSet]\r\n"
      "Width = \"1024\"\r\n"
      "AUTODBOOK=true\r\n"
      "mystery=42\r\n"
      "\r\n"
      "[CaptionSet]\r\n"
      "  captionfont =  黑体  \r\n"
      "\r\n"
      "[plugins]\r\n"
      "x=y\r\n"
      "[timeset]\r\n"
      "tsxx='该休息了'\r\n");
  p.tmp.write("config/set.ini", foreign);
  Settings s(p.dir());
  ASSERT_TRUE(s.getset());
  EXPECT_EQ(s.get(Setting::width), "1024");
  EXPECT_EQ(s.get(Setting::captionfont), "黑体");
  EXPECT_EQ(s.get(Setting::tsxx), "该休息了");
  EXPECT_EQ(s.get(Setting::autodbook), "true");
  EXPECT_FALSE(s.isOn(Setting::autodbook));
  EXPECT_EQ(s.get(Setting::height), "600");  // absent: the default stays

  s.setWriteGuard(true);
  s.set(Setting::width, "1280");
  ASSERT_TRUE(s.writesetx(Setting::width));
  std::string expected = foreign;
  expected.replace(expected.find("\"1024\""), 6, "\"1280\"");
  EXPECT_EQ(p.bytes(), expected);

  s.set(Setting::lockcap, "1");
  ASSERT_TRUE(s.writesetx(Setting::lockcap));
  const std::string after = "  captionfont =  \xBA\xDA\xCC\xE5  \r\n";
  expected.replace(expected.find(after), after.size(), after + "lockcap=1\r\n");
  EXPECT_EQ(p.bytes(), expected);
}

TEST(SettingsTest, LongValuesAreCutTo2047Bytes) {
  struct Case {
    std::string stored;
    std::string read;
  };
  const std::string a2046(2046, 'a');
  const Case cases[] = {
      {std::string(3000, 'x'), std::string(2047, 'x')},
      {"\"" + std::string(3000, 'q') + "\"", std::string(2047, 'q')},
      // The 2047th byte is the first half of a character: the character is dropped.
      {a2046 + "中中", a2046},
      {a2046 + "b中", a2046 + "b"},
  };
  for (const Case& c : cases) {
    ProgramDirFixture p;
    p.tmp.write("config/set.ini", "[timeset]\r\ntsxx=" + text::toLegacy(c.stored) + "\r\n");
    Settings s(p.dir());
    ASSERT_TRUE(s.getset());
    EXPECT_EQ(s.get(Setting::tsxx), c.read) << c.stored.size();
  }
}

TEST(SettingsTest, WritesWhileTheGuardIsClearedAreDropped) {
  ProgramDirFixture p;
  Settings s(p.dir());
  s.setWriteGuard(true);
  s.set(Setting::voicevolume, "50");
  ASSERT_TRUE(s.writesetx(Setting::voicevolume));
  const std::string before = p.bytes();

  s.setWriteGuard(false);
  s.set(Setting::voicevolume, "70");
  EXPECT_FALSE(s.writesetx(Setting::voicevolume));
  EXPECT_FALSE(s.writeset());
  EXPECT_EQ(p.bytes(), before);
  EXPECT_EQ(s.get(Setting::voicevolume), "70");

  // The value reaches the file with the next write once the guard is set again.
  s.setWriteGuard(true);
  ASSERT_TRUE(s.writesetx(Setting::voicevolume));
  Settings back(p.dir());
  back.getset();
  EXPECT_EQ(back.get(Setting::voicevolume), "70");
}

TEST(SettingsTest, AnUnwritableFileKeepsTheChangeInMemoryOnly) {
  struct Case {
    const char* what;
    void (*prepare)(const fs::path& root);
  };
  const Case cases[] = {
      {"settings file is a directory",
       [](const fs::path& root) { fs::create_directories(root / "config/set.ini"); }},
      {"config directory missing", [](const fs::path& root) { fs::remove(root / "config"); }},
  };
  for (const Case& c : cases) {
    ProgramDirFixture p;
    c.prepare(p.tmp.path());
    Settings s(p.dir());
    s.getset();
    s.setWriteGuard(true);
    s.set(Setting::width, "1111");
    EXPECT_FALSE(s.writesetx(Setting::width)) << c.what;
    EXPECT_FALSE(s.writeset()) << c.what;
    EXPECT_EQ(s.get(Setting::width), "1111") << c.what;
    EXPECT_TRUE(s.writeGuard()) << c.what;
    EXPECT_FALSE(fs::is_regular_file(p.file())) << c.what;
  }
}

TEST(SettingsTest, AReadOnlyDirectoryKeepsTheChangeInMemoryOnly) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root from writing";
  ProgramDirFixture p;
  p.tmp.write("config/set.ini", "[mainset]\r\nwidth=900\r\n");
  fs::permissions(p.tmp.path() / "config", fs::perms::owner_read | fs::perms::owner_exec);
  Settings s(p.dir());
  ASSERT_TRUE(s.getset());
  s.setWriteGuard(true);
  s.set(Setting::width, "1111");
  EXPECT_FALSE(s.writesetx(Setting::width));
  EXPECT_EQ(s.get(Setting::width), "1111");
  fs::permissions(p.tmp.path() / "config", fs::perms::owner_all);
  EXPECT_EQ(p.bytes(), "[mainset]\r\nwidth=900\r\n");
}

TEST(SettingsTest, AnUnreadableFileLeavesTheDefaults) {
  ProgramDirFixture p;
  fs::create_directories(p.file());
  Settings s(p.dir());
  s.set(Setting::width, "1234");
  EXPECT_FALSE(s.getset());
  EXPECT_EQ(s.get(Setting::width), "1234");
  EXPECT_EQ(s.get(Setting::height), "600");
}

TEST(SettingsTest, ASwitchIsOnExactlyForOne) {
  const std::pair<const char*, bool> cases[] = {{"1", true},   {"true", false}, {"0", false},
                                                {"", false},   {" 1", false},   {"01", false},
                                                {"yes", false}};
  Settings s(ProgramDir("/nonexistent"));
  for (const auto& [value, on] : cases) {
    s.set(Setting::autodbook, value);
    EXPECT_EQ(s.isOn(Setting::autodbook), on) << value;
  }
}

TEST(SettingsTest, FetchConfigCopiesTheProxySettings) {
  Settings s(ProgramDir("/nonexistent"));
  const std::pair<Setting, const char*> values[] = {
      {Setting::useproxy, "1"},           {Setting::proxytype, "0"},
      {Setting::proxyserver, "10.0.0.1"}, {Setting::proxyport, "1080"},
      {Setting::proxyuser, "用户"},       {Setting::proxypass, "p w"}};
  for (const auto& [setting, value] : values) s.set(setting, value);
  const engine::FetchConfig c = fetchConfigFrom(s);
  EXPECT_EQ(c.useproxy, "1");
  EXPECT_EQ(c.proxytype, "0");
  EXPECT_EQ(c.proxyserver, "10.0.0.1");
  EXPECT_EQ(c.proxyport, "1080");
  EXPECT_EQ(c.proxyuser, "用户");
  EXPECT_EQ(c.proxypass, "p w");
}

}  // namespace
}  // namespace mozhou::app
