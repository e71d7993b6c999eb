// mozhou-cli shelf: the bookshelf tree in display order, one node a line.
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/shelf_session.h"

namespace mozhou::cli {
namespace {

int cmdShelf(Context& ctx) {
  std::vector<std::string> rest;
  std::string error;
  if (!ctx.args.positional(rest, error)) return usageError(ctx, error);
  if (!rest.empty()) return usageError(ctx, "shelf takes no arguments");
  ShelfSession session(ctx);
  for (const store::ShelfNode* node : session.shelf().nodesInTreeOrder()) {
    if (ctx.json) {
      nlohmann::ordered_json line = {{"level", node->level()},
                                     {"id", nodeIdText(*node)},
                                     {"text", node->text()},
                                     {"bold", node->bold()},
                                     {"image", node->image()}};
      ctx.out << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
    } else {
      ctx.out << std::string(static_cast<std::size_t>(node->level()) * 2, ' ');
      if (!node->isRoot()) ctx.out << "[" << nodeIdText(*node) << "] ";
      ctx.out << node->text() << "\n";
    }
  }
  return session.connected() ? 0 : 1;
}

const CommandRegistration reg("shelf", "shelf                 the bookshelf tree, one node a line",
                              cmdShelf);

}  // namespace
}  // namespace mozhou::cli
