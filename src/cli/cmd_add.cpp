// mozhou-cli add: a new novel on the bookshelf.
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/shelf_session.h"
#include "cli/update_session.h"
#include "text/strings.h"

namespace mozhou::cli {
namespace {

constexpr const char* kDefaultCategory = "默认分类";

void printId(Context& ctx, const std::string& id) {
  if (ctx.json)
    ctx.out << nlohmann::json{{"id", id}}.dump(-1, ' ', false) << "\n";
  else
    ctx.out << id << "\n";
}

int cmdAdd(Context& ctx) {
  const auto name = ctx.args.value("--name");
  const std::string author = ctx.args.value("--author").value_or("");
  auto categoryName = ctx.args.value("--category");
  const bool noUpdate = ctx.args.flag("--no-update");
  std::vector<std::string> rest;
  std::string error;
  if (!ctx.args.positional(rest, error)) return usageError(ctx, error);
  if (rest.size() != 1) return usageError(ctx, "add needs exactly one table-of-contents URL");
  const std::string& url = rest[0];
  if (!name || text::trim(*name).empty()) return usageError(ctx, "add needs --name NAME");
  if (text::trim(url).empty()) return usageError(ctx, "the URL is empty");
  if (categoryName && text::trim(*categoryName).empty())
    return usageError(ctx, "the category name is empty");

  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  store::Shelf& shelf = session.shelf();
  if (auto existing = shelf.findBook(*name, author, url)) {
    ctx.err << "mozhou-cli: already on the shelf as book " << *existing << "\n";
    return 1;
  }
  if (!categoryName) {
    const auto names = shelf.categoryNames();
    categoryName = names.empty() ? kDefaultCategory : names.front();
  }
  const store::ShelfNode* node = shelf.newbook_do(*name, author, true, 0, url, *categoryName);
  if (!node) {
    if (session.prompter().messages() == 0) ctx.err << "mozhou-cli: the novel was not added\n";
    return 1;
  }
  const long long bookId = node->id();
  printId(ctx, nodeIdText(*node));
  if (noUpdate) return 0;
  // The new novel's first update, as the bookshelf starts it when no run is active.
  UpdateRequest request;
  request.bookId = bookId;
  return runUpdate(ctx, request);
}

const CommandRegistration reg(
    "add", "add --name NAME [--author A] [--category C] [--no-update] URL   add a novel", cmdAdd);

}  // namespace
}  // namespace mozhou::cli
