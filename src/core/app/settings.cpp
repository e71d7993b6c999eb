#include "app/settings.h"

#include <chrono>
#include <thread>

#include "app/ini_file.h"
#include "text/strings.h"

namespace mozhou::app {

namespace {

constexpr std::array<SettingInfo, kSettingCount> kTable{{
    {"mainset", "autostart", "0"},                                        // 0
    {"mainset", "firstrun", "1"},                                         // 1
    {"mainset", "autodbook", "0"},                                        // 2
    {"mainset", "width", "800"},                                          // 3
    {"mainset", "height", "600"},                                         // 4
    {"mainset", "fullscreen", "1"},                                       // 5
    {"mainset", "versionid", "1.00"},                                     // 6
    {"mainset", "autoup", "1"},                                           // 7
    {"mainset", "sscount", "5"},                                          // 8
    {"mainset", "closehide", "1"},                                        // 9
    {"mainset", "closenoqr", "0"},                                        // 10
    {"mainset", "defaultskin", ""},                                       // 11
    {"mainset", "userlist", ""},                                          // 12
    {"proxyset", "useproxy", "0"},                                        // 13
    {"proxyset", "proxytype", "1"},                                       // 14
    {"proxyset", "proxyserver", ""},                                      // 15
    {"proxyset", "proxyport", ""},                                        // 16
    {"proxyset", "proxyuser", ""},                                        // 17
    {"proxyset", "proxypass", ""},                                        // 18
    {"keyset", "showkey", "Alt+B"},                                       // 19
    {"keyset", "capkey", "Alt+C"},                                        // 20
    {"keyset", "bosskey", "Alt+X"},                                       // 21
    {"keyset", "bossstop", "1"},                                          // 22
    {"readset", "automark", "1"},                                         // 23
    {"voiceset", "voicechoise", "0"},                                     // 24
    {"voiceset", "voicerate", "0"},                                       // 25
    {"voiceset", "voicevolume", "100"},                                   // 26
    {"voiceset", "voiceread", "1"},                                       // 27
    {"voiceset", "autonext", "1"},                                        // 28
    {"captionset", "showcaption", "1"},                                   // 29
    {"captionset", "captionleft", "100"},                                 // 30
    {"captionset", "captiontop", "0"},                                    // 31
    {"captionset", "captionwidth", "600"},                                // 32
    {"captionset", "captionback", "0"},                                   // 33
    {"captionset", "backcolor", "#000000"},                               // 34
    {"captionset", "captionfont", "宋体"},                                // 35
    {"captionset", "captionsize", "30"},                                  // 36
    {"captionset", "captionbold", "1"},                                   // 37
    {"captionset", "vertical", "0"},                                      // 38
    {"captionset", "captioncolor", "#FF0000"},                            // 39
    {"captionset", "showshadow", "1"},                                    // 40
    {"captionset", "shadowcolor", "#000000"},                             // 41
    {"captionset", "showshade", "1"},                                     // 42
    {"captionset", "shadecolor", "#FFFFFF"},                              // 43
    {"captionset", "shadetype", "2"},                                     // 44
    {"captionset", "lockcap", "0"},                                       // 45
    {"mainset", "ssout", "10"},                                           // 46
    {"mainset", "setvid", "0"},                                           // 47
    {"mainset", "upvid", "0"},                                            // 48
    {"timeset", "tsuse", "0"},                                            // 49
    {"timeset", "tstm", "30"},                                            // 50
    {"timeset", "tsxx", "看书满半小时了，举目远眺，让眼睛休息一下吧！"},  // 51
    {"timeset", "gjtm", "30"},                                            // 52
}};

static_assert(static_cast<std::size_t>(Setting::gjtm) + 1 == kSettingCount);

// An unreadable file is usually a moment's lock by another program; start-up must not hang
// on one that stays locked.
constexpr int kLoadTries = 3;
constexpr auto kLoadRetryDelay = std::chrono::milliseconds(100);

}  // namespace

const SettingInfo& settingInfo(Setting s) { return kTable[static_cast<std::size_t>(s)]; }

std::optional<Setting> findSetting(std::string_view section, std::string_view key) {
  for (std::size_t i = 0; i < kSettingCount; ++i)
    if (text::iequals(kTable[i].section, section) && text::iequals(kTable[i].key, key))
      return settingAt(i);
  return std::nullopt;
}

Settings::Settings(ProgramDir dir) : dir_(std::move(dir)) { newset(); }

void Settings::newset() {
  for (std::size_t i = 0; i < kSettingCount; ++i) values_[i] = kTable[i].defaultValue;
}

std::filesystem::path Settings::filePath() const { return dir_.path("config\\set.ini"); }

bool Settings::getset() {
  for (int attempt = 0; attempt < kLoadTries; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kLoadRetryDelay);
    const std::optional<IniFile> ini = IniFile::load(filePath());
    if (!ini) continue;
    for (std::size_t i = 0; i < kSettingCount; ++i) {
      if (auto v = ini->value(kTable[i].section, kTable[i].key))
        values_[i] = cutToLegacyBytes(*v, kMaxSettingBytes);
    }
    return true;
  }
  return false;
}

bool Settings::write(std::size_t first, std::size_t last) {
  if (!guard_) return false;
  guard_ = false;
  bool ok = false;
  // A file that exists but cannot be read is left alone: writing our entries alone over it
  // would throw away every other line it holds.
  if (std::optional<IniFile> ini = IniFile::load(filePath())) {
    for (std::size_t i = first; i <= last; ++i)
      ini->setValue(kTable[i].section, kTable[i].key, values_[i]);
    ok = ini->save(filePath());
  }
  guard_ = true;
  return ok;
}

bool Settings::writeset() { return write(0, kSettingCount - 1); }

bool Settings::writesetx(Setting s) { return write(index(s), index(s)); }

engine::FetchConfig fetchConfigFrom(const Settings& settings) {
  engine::FetchConfig config;
  config.useproxy = settings.get(Setting::useproxy);
  config.proxytype = settings.get(Setting::proxytype);
  config.proxyserver = settings.get(Setting::proxyserver);
  config.proxyport = settings.get(Setting::proxyport);
  config.proxyuser = settings.get(Setting::proxyuser);
  config.proxypass = settings.get(Setting::proxypass);
  return config;
}

}  // namespace mozhou::app
