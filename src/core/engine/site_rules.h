#pragma once
// The site rule file db/bookset.dat and the lookup of a site's rule record by site key.
//
// The file is a row of blocks, each a signed 32-bit little-endian length followed by that
// many bytes of legacy text. Block 0 lists the searchable sites, block 1 holds one rule record
// per line: "<dw><wk>key</wk><s0>…</s0>…<s10>…</s10></dw>".
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/program_dir.h"

namespace mozhou::engine {

inline constexpr int kSearchSiteBlock = 0;
inline constexpr int kSiteRuleBlock = 1;
inline constexpr std::size_t kSiteRecordFields = 11;

// Fields s0 to s10 of one site, by index; an empty vector means the site has no record.
using SiteRecord = std::vector<std::string>;

// Block n of the file as UTF-8 text with every line ended by CR LF. Empty text when the file
// is missing or the block cannot be read whole (a negative length, a length past the end).
std::string getsetstr(const app::ProgramDir& dir, int n);

// Block n of the bytes of a rule file; nullopt when it is not there whole.
std::optional<std::string_view> ruleFileBlock(std::string_view file, int n);

// The site key of an address: lower case, "\" as "/", the schemes and every "www" made ".",
// dots collapsed, everything from the first "/" dropped. Ordinary keys start with a dot.
std::string geturlkey(std::string_view address);

// The first record whose key matches, trying the key and then shorter forms of it (at most
// five tries); no record when none matches or the key does not form a valid pattern.
SiteRecord getdsbykey(std::string_view ruleText, std::string_view key);

// The rule text in memory. Lookups on any thread take a snapshot and keep working on it while
// a rule-file update puts a new text in place.
class RuleText {
 public:
  RuleText();
  explicit RuleText(std::string text);

  std::shared_ptr<const std::string> snapshot() const;
  void replace(std::string text);
  // Sets the text to block 1 of the program's rule file.
  void load(const app::ProgramDir& dir);

  SiteRecord lookup(std::string_view key) const;

 private:
  std::atomic<std::shared_ptr<const std::string>> text_;
};

// What the rule-file update hands back to its caller while it runs, in this order.
struct UpsetHooks {
  // Stores the new rule-file version and writes the setting; false ends the update.
  std::function<bool(const std::string& setvid)> storeSetvid;
  // Makes the next search read its sites again.
  std::function<void()> markSearchReload;
};

// The rule-file update: asks the service whether a newer rule file exists; if so downloads
// it over db/bookset.dat, reports the new version through the hooks and reloads `rules`.
// Returns the new version, or nullopt when the update stopped early. A download that is not a
// readable rule file counts as a failed one, so the old file and version stay.
std::optional<std::string> upset(const app::ProgramDir& dir, std::string_view serviceBaseUrl,
                                 std::string_view versionid, std::string_view setvid,
                                 RuleText& rules, const UpsetHooks& hooks = {});

// The rule-file request of the service for a program version ("1.00") and rule-file version.
std::string upsetRequestAddress(std::string_view serviceBaseUrl, std::string_view versionid,
                                std::string_view setvid);

}  // namespace mozhou::engine
