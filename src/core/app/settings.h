#pragma once
// The settings list: 53 text settings, each named by a section and a key of "config\set.ini",
// built with defaults, overlaid with the file once at start and written back entry by entry
// (or whole) whenever a setting changes. Only the main thread uses a Settings object; workers
// get the values they need copied out (for example fetchConfigFrom).
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/program_dir.h"
#include "engine/fetcher.h"

namespace mozhou::app {

// Entry indices, in the order the list and its defaults are built.
enum class Setting : int {
  autostart,
  firstrun,
  autodbook,
  width,
  height,
  fullscreen,
  versionid,
  autoup,
  sscount,
  closehide,
  closenoqr,
  defaultskin,
  userlist,
  useproxy,
  proxytype,
  proxyserver,
  proxyport,
  proxyuser,
  proxypass,
  showkey,
  capkey,
  bosskey,
  bossstop,
  automark,
  voicechoise,
  voicerate,
  voicevolume,
  voiceread,
  autonext,
  showcaption,
  captionleft,
  captiontop,
  captionwidth,
  captionback,
  backcolor,
  captionfont,
  captionsize,
  captionbold,
  vertical,
  captioncolor,
  showshadow,
  shadowcolor,
  showshade,
  shadecolor,
  shadetype,
  lockcap,
  ssout,
  setvid,
  upvid,
  tsuse,
  tstm,
  tsxx,
  gjtm,
};

inline constexpr std::size_t kSettingCount = 53;
// Longest value read back from the file, in bytes of the legacy code page.
inline constexpr std::size_t kMaxSettingBytes = 2047;

struct SettingInfo {
  const char* section;
  const char* key;
  const char* defaultValue;
};

const SettingInfo& settingInfo(Setting s);
// The entry of a section and key, compared without regard to ASCII case.
std::optional<Setting> findSetting(std::string_view section, std::string_view key);
constexpr Setting settingAt(std::size_t index) { return static_cast<Setting>(index); }

class Settings {
 public:
  // Builds the list with its defaults (newset); the write guard starts cleared.
  explicit Settings(ProgramDir dir);

  // Every entry back to its default.
  void newset();
  // Overlays the values with those of the file. A missing file or key keeps the value; a
  // file that cannot be read is tried a few times, then the values stay as they are.
  // False when the file exists but could not be read.
  bool getset();
  // Write every entry, or entry `s`, to the file in one file write. Nothing is written while
  // the guard is cleared; a file that cannot be written leaves the change in memory only.
  // True when the file now holds the values.
  bool writeset();
  bool writesetx(Setting s);

  const std::string& get(Setting s) const { return values_[index(s)]; }
  // Stores a value in memory only; writesetx or writeset takes it to the file.
  void set(Setting s, std::string value) { values_[index(s)] = std::move(value); }
  // A switch is on exactly when its value is "1".
  bool isOn(Setting s) const { return get(s) == "1"; }

  // Cleared while settings are being applied to the user interface, so that change handlers
  // fired by that do not write the values back.
  void setWriteGuard(bool on) { guard_ = on; }
  bool writeGuard() const { return guard_; }

  const ProgramDir& dir() const { return dir_; }
  std::filesystem::path filePath() const;

 private:
  static std::size_t index(Setting s) { return static_cast<std::size_t>(s); }
  bool write(std::size_t first, std::size_t last);

  ProgramDir dir_;
  std::array<std::string, kSettingCount> values_;
  bool guard_ = false;
};

// The HTTP client settings (section proxyset) as the fetcher takes them.
engine::FetchConfig fetchConfigFrom(const Settings& settings);

}  // namespace mozhou::app
