// rules match PATTERN FILE: tries a rule pattern on a saved page, read the way fetched pages
// are (legacy code page, line breaks removed), and prints every match with its groups.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "app/files.h"
#include "cli/cli.h"
#include "text/codec.h"
#include "text/regex.h"

namespace mozhou::cli {
namespace {

int rulesMatch(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 2) return usageError(ctx, "usage: rules match PATTERN FILE");
  const std::string& pattern = words[0];
  const std::string& file = words[1];

  if (!text::regexValid(pattern, &error)) {
    return usageError(ctx, "the pattern does not compile: " + error);
  }
  const auto bytes = app::readFileBytes(file);
  if (!bytes) return usageError(ctx, "cannot read \"" + file + "\"");

  std::string page = text::fromLegacy(*bytes);
  std::erase_if(page, [](char c) { return c == '\n' || c == '\r'; });

  const text::RegexResult result = text::regexExecute(pattern, page);
  if (!result.ok) {
    ctx.err << "mozhou-cli: " << result.error << "\n";
    return 1;
  }
  for (const text::RegexMatch& m : result.matches) {
    if (ctx.json) {
      nlohmann::ordered_json line;
      line["index"] = m.index;
      line["value"] = m.value;
      line["groups"] = m.subMatches;
      ctx.out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
      ctx.out << m.index << '\t' << m.value;
      for (const std::string& g : m.subMatches) ctx.out << '\t' << g;
      ctx.out << "\n";
    }
  }
  return 0;
}

const CommandRegistration registration(
    "rules match",
    "rules match PATTERN FILE    every match of PATTERN in FILE read as a fetched page",
    rulesMatch);

}  // namespace
}  // namespace mozhou::cli
