// The rule-file update of the site rules (declared in site_rules.h).
#include <filesystem>
#include <system_error>

#include "app/files.h"
#include "engine/fetcher.h"
#include "engine/site_rules.h"
#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

// The text between the first opening tag and the first closing tag after it.
std::optional<std::string> taggedValue(std::string_view answer, std::string_view tag) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const std::size_t start = answer.find(open);
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t from = start + open.size();
  const std::size_t end = answer.find(close, from);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(answer.substr(from, end - from));
}

// Once the new version is stored the service stops offering the file, so a body that is not
// a rule file (an error page, a cut transfer) must never replace a good one.
bool isRuleFile(std::string_view bytes) {
  return ruleFileBlock(bytes, kSearchSiteBlock) && ruleFileBlock(bytes, kSiteRuleBlock);
}

}  // namespace

std::string upsetRequestAddress(std::string_view serviceBaseUrl, std::string_view versionid,
                                std::string_view setvid) {
  std::string address(serviceBaseUrl);
  address += "mz_set.php?mzv=";
  address += text::replaceAll(versionid, ".", "");
  address += "&stv=";
  address += setvid;
  return address;
}

std::optional<std::string> upset(const app::ProgramDir& dir, std::string_view serviceBaseUrl,
                                 std::string_view versionid, std::string_view setvid,
                                 RuleText& rules, const UpsetHooks& hooks) {
  try {
    std::optional<HttpClient> client = creathttp(0);
    if (!client) return std::nullopt;
    const HttpResult reply =
        client->request(upsetRequestAddress(serviceBaseUrl, versionid, setvid));
    if (!reply.ok) return std::nullopt;
    std::string answer = text::fromLegacy(reply.body);
    answer = text::replaceAll(text::replaceAll(answer, "\n", ""), "\r", "");
    if (answer.find("<si>") == std::string::npos || answer.find("<st>") == std::string::npos)
      return std::nullopt;

    const std::optional<std::string> address = taggedValue(answer, "st");
    const std::optional<std::string> version = taggedValue(answer, "si");
    if (!address || address->empty() || !version) return std::nullopt;
    const HttpResult file = client->request(*address);
    if (!file.ok || !isRuleFile(file.body)) return std::nullopt;
    std::error_code ec;
    std::filesystem::create_directories(dir.path("db"), ec);
    if (!app::writeFileAtomic(dir.path("db/bookset.dat"), file.body)) return std::nullopt;

    if (hooks.storeSetvid && !hooks.storeSetvid(*version)) return std::nullopt;
    if (hooks.markSearchReload) hooks.markSearchReload();
    rules.load(dir);
    return version;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace mozhou::engine
