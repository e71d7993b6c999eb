// mozhou-cli category add|rename|delete|move: the categories of the bookshelf.
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/shelf_session.h"
#include "text/strings.h"

namespace mozhou::cli {
namespace {

bool words(Context& ctx, std::size_t count, std::vector<std::string>& out, const char* usage) {
  std::string error;
  if (!ctx.args.positional(out, error)) {
    usageError(ctx, error);
    return false;
  }
  if (out.size() != count) {
    usageError(ctx, std::string("usage: mozhou-cli ") + usage);
    return false;
  }
  return true;
}

int cmdAdd(Context& ctx) {
  std::vector<std::string> w;
  if (!words(ctx, 1, w, "category add NAME")) return 2;
  if (text::trim(w[0]).empty()) return usageError(ctx, "the category name is empty");
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  session.shelf().newCategoryForm();
  const store::ShelfNode* node = session.shelf().newbookt_do(w[0]);
  if (!node) return 1;
  if (ctx.json)
    ctx.out << nlohmann::json{{"id", nodeIdText(*node)}}.dump(-1, ' ', false) << "\n";
  else
    ctx.out << nodeIdText(*node) << "\n";
  return 0;
}

int cmdRename(Context& ctx) {
  std::vector<std::string> w;
  if (!words(ctx, 2, w, "category rename ID NAME")) return 2;
  if (text::trim(w[1]).empty()) return usageError(ctx, "the category name is empty");
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  const store::ShelfNode* node = session.category(w[0]);
  if (!node) return 2;
  session.shelf().select(node);
  if (!session.shelf().editCategoryForm()) return 1;
  return session.shelf().categoryFormOk(w[1]) ? 0 : 1;
}

int cmdDelete(Context& ctx) {
  std::vector<std::string> w;
  if (!words(ctx, 1, w, "category delete ID")) return 2;
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  const store::ShelfNode* node = session.category(w[0]);
  if (!node) return 2;
  session.shelf().select(node);
  return session.shelf().delebookt(session.shelf().selected()).deleted ? 0 : 1;
}

int cmdMove(Context& ctx) {
  const auto onto = ctx.args.value("--onto");
  std::vector<std::string> w;
  if (!words(ctx, 1, w, "category move ID --onto CATEGORY_ID")) return 2;
  if (!onto) return usageError(ctx, "usage: mozhou-cli category move ID --onto CATEGORY_ID");
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  const store::ShelfNode* node = session.category(w[0]);
  if (!node) return 2;
  const store::ShelfNode* target = session.category(*onto);
  if (!target) return 2;
  if (!session.shelf().canDrop(node, target))
    return usageError(ctx, "a category cannot be moved onto itself");
  return session.shelf().booktreemove(node, target) ? 0 : 1;
}

const CommandRegistration regAdd("category add", "category add NAME      add a category", cmdAdd);
const CommandRegistration regRename("category rename",
                                    "category rename ID NAME   rename a category", cmdRename);
const CommandRegistration regDelete("category delete",
                                    "category delete ID    delete a category and all its novels",
                                    cmdDelete);
const CommandRegistration regMove("category move",
                                  "category move ID --onto CATEGORY_ID   place it before another",
                                  cmdMove);

}  // namespace
}  // namespace mozhou::cli
