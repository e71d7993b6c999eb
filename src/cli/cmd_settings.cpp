// settings list | get SECTION KEY | set SECTION KEY VALUE: the settings file of the program
// directory, read and written the way the program itself does it.
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/settings.h"
#include "cli/cli.h"

namespace mozhou::cli {
namespace {

using app::Setting;
using app::Settings;

// The list as the program sees it at start: defaults overlaid with the file.
void load(Context& ctx, Settings& settings) {
  if (!settings.getset())
    ctx.err << "mozhou-cli: cannot read " << settings.filePath().string()
            << "; the values shown are the defaults\n";
}

bool parse(Context& ctx, std::size_t count, std::vector<std::string>& words, std::string& error) {
  if (!ctx.args.positional(words, error)) return false;
  if (words.size() != count) {
    error = "expected " + std::to_string(count) + " arguments";
    return false;
  }
  return true;
}

std::optional<Setting> lookUp(Context& ctx, const std::string& section, const std::string& key) {
  auto s = app::findSetting(section, key);
  if (!s) ctx.err << "mozhou-cli: unknown setting \"" << section << "/" << key << "\"\n";
  return s;
}

int listCmd(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!parse(ctx, 0, words, error)) return usageError(ctx, error);
  Settings settings(ctx.dir);
  load(ctx, settings);
  for (std::size_t i = 0; i < app::kSettingCount; ++i) {
    const Setting s = app::settingAt(i);
    const app::SettingInfo& info = app::settingInfo(s);
    if (ctx.json) {
      const nlohmann::ordered_json row = {
          {"index", i}, {"section", info.section}, {"key", info.key}, {"value", settings.get(s)}};
      ctx.out << row.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    } else {
      ctx.out << info.section << "/" << info.key << "=" << settings.get(s) << "\n";
    }
  }
  return 0;
}

int getCmd(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!parse(ctx, 2, words, error)) return usageError(ctx, error);
  const auto s = lookUp(ctx, words[0], words[1]);
  if (!s) return 2;
  Settings settings(ctx.dir);
  load(ctx, settings);
  ctx.out << settings.get(*s) << "\n";
  return 0;
}

int setCmd(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!parse(ctx, 3, words, error)) return usageError(ctx, error);
  const auto s = lookUp(ctx, words[0], words[1]);
  if (!s) return 2;
  Settings settings(ctx.dir);
  load(ctx, settings);
  settings.set(*s, words[2]);
  settings.setWriteGuard(true);
  if (!settings.writesetx(*s)) {
    ctx.err << "mozhou-cli: cannot write " << settings.filePath().string() << "\n";
    return 1;
  }
  return 0;
}

const CommandRegistration kList("settings list", "settings list", listCmd);
const CommandRegistration kGet("settings get", "settings get SECTION KEY", getCmd);
const CommandRegistration kSet("settings set", "settings set SECTION KEY VALUE", setCmd);

}  // namespace
}  // namespace mozhou::cli
