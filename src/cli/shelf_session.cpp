#include "cli/shelf_session.h"

#include <ostream>

namespace mozhou::cli {

ShelfSession::ShelfSession(Context& ctx)
    : ctx_(ctx), prompter_(ctx.err, ctx.yes), db_(openDatabase(ctx, prompter_)) {
  shelf_ = std::make_unique<store::Shelf>(db_.get(), ctx.dir, prompter_, updates_, current_);
  shelf_->drawbookpanel();
}

const store::ShelfNode* ShelfSession::category(const std::string& idText) {
  long long id = 0;
  if (!parseId(ctx_, idText, id)) return nullptr;
  const store::ShelfNode* node = shelf_->findCategory(id);
  if (!node) ctx_.err << "mozhou-cli: no category with id " << id << "\n";
  return node;
}

const store::ShelfNode* ShelfSession::book(const std::string& idText) {
  long long id = 0;
  if (!parseId(ctx_, idText, id)) return nullptr;
  const store::ShelfNode* node = shelf_->getbn(id);
  if (!node) ctx_.err << "mozhou-cli: no book with id " << id << "\n";
  return node;
}

std::string nodeIdText(const store::ShelfNode& node) { return node.item().id; }

}  // namespace mozhou::cli
