// The rule author's workbench: mozhou-cli rules site|toc|chapter|apply, on the rule text of
// the program directory's db/bookset.dat. Nothing is stored.
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/files.h"
#include "cli/cli.h"
#include "engine/content.h"
#include "engine/fetcher.h"
#include "engine/page_base.h"
#include "engine/rule_expr.h"
#include "engine/site_rules.h"
#include "engine/toc_sync.h"
#include "text/codec.h"
#include "text/strings.h"

namespace mozhou::cli {
namespace {

using nlohmann::json;

void printJson(Context& ctx, const json& j) {
  ctx.out << j.dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
}

// The one positional argument of a command, or a usage error.
bool oneArgument(Context& ctx, const char* usage, std::string& value, int& rc) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) {
    rc = usageError(ctx, error);
    return false;
  }
  if (words.size() != 1) {
    rc = usageError(ctx, std::string("usage: ") + usage);
    return false;
  }
  value = words[0];
  return true;
}

engine::SiteRecord recordFor(Context& ctx, const std::string& url) {
  return engine::getdsbykey(engine::getsetstr(ctx.dir, engine::kSiteRuleBlock),
                            engine::geturlkey(url));
}

// The record of a page's site; nullopt (with a message) when the rules have none.
std::optional<engine::SiteRecord> requireRecord(Context& ctx, const std::string& url) {
  engine::SiteRecord record = recordFor(ctx, url);
  if (record.empty()) {
    ctx.err << "mozhou-cli: no site rule record for " << engine::geturlkey(url) << "\n";
    return std::nullopt;
  }
  return record;
}

int siteCommand(Context& ctx) {
  std::string url;
  int rc = 0;
  if (!oneArgument(ctx, "rules site URL", url, rc)) return rc;
  const std::string key = engine::geturlkey(url);
  const engine::SiteRecord record = recordFor(ctx, url);
  if (ctx.json) {
    printJson(ctx, {{"key", key}, {"fields", record}});
    return 0;
  }
  ctx.out << "key: " << key << "\n";
  if (record.empty()) ctx.out << "no record\n";
  for (std::size_t i = 0; i < record.size(); ++i) ctx.out << "s" << i << ": " << record[i] << "\n";
  return 0;
}

int tocCommand(Context& ctx) {
  std::string url;
  int rc = 0;
  if (!oneArgument(ctx, "rules toc URL", url, rc)) return rc;
  const auto record = requireRecord(ctx, url);
  if (!record) return 1;
  const std::string page = engine::fetchTocPage(url, *record);
  for (const engine::ChapterEntry& e : engine::chapterEntries(page, *record)) {
    if (ctx.json) {
      printJson(ctx, {{"name", e.name}, {"url", e.url}, {"volume", e.volume}});
    } else {
      ctx.out << e.volume << "\t" << e.name << "\t" << e.url << "\n";
    }
  }
  return 0;
}

void printText(Context& ctx, const std::string& text) {
  if (ctx.json) {
    printJson(ctx, {{"text", text}});
  } else {
    ctx.out << text << "\n";
  }
}

int chapterCommand(Context& ctx) {
  std::string url;
  int rc = 0;
  if (!oneArgument(ctx, "rules chapter URL", url, rc)) return rc;
  const auto record = requireRecord(ctx, url);
  if (!record) return 1;
  printText(ctx, engine::chapterText(engine::opurl(url, nullptr, 0, 1), *record));
  return 0;
}

int applyCommand(Context& ctx) {
  const std::optional<std::string> base = ctx.args.value("--base");
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 2)
    return usageError(ctx, "usage: rules apply [--base URL] LISTFILE PAGEFILE");
  const std::optional<std::string> list = app::readTextFile(words[0]);
  if (!list) {
    ctx.err << "mozhou-cli: cannot read " << words[0] << "\n";
    return 1;
  }
  const std::optional<std::string> bytes = app::readFileBytes(words[1]);
  if (!bytes) {
    ctx.err << "mozhou-cli: cannot read " << words[1] << "\n";
    return 1;
  }
  // Read as a fetched page is: legacy bytes, lines joined without a separator.
  const std::string page =
      text::fromLegacy(text::replaceAll(text::replaceAll(*bytes, "\n", ""), "\r", ""));
  if (base) engine::setPageBase(engine::getup(*base));
  printText(ctx, engine::guizstr(page, *list));
  return 0;
}

const CommandRegistration kSite(
    "rules site", "rules site URL           the site key and rule record of an address",
    siteCommand);
const CommandRegistration kToc(
    "rules toc", "rules toc URL            the chapter entries a table of contents gives",
    tocCommand);
const CommandRegistration kChapter("rules chapter",
                                   "rules chapter URL        the chapter text a chapter page gives",
                                   chapterCommand);
const CommandRegistration kApply(
    "rules apply",
    "rules apply [--base URL] LISTFILE PAGEFILE  a rule-expression list applied to a saved page",
    applyCommand);

}  // namespace
}  // namespace mozhou::cli
