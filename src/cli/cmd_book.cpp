// mozhou-cli book edit|delete|move: the novels of the bookshelf.
#include <ostream>

#include "cli/shelf_session.h"
#include "text/strings.h"

namespace mozhou::cli {
namespace {

bool oneWord(Context& ctx, std::vector<std::string>& out, const char* usage) {
  std::string error;
  if (!ctx.args.positional(out, error)) {
    usageError(ctx, error);
    return false;
  }
  if (out.size() != 1) {
    usageError(ctx, std::string("usage: mozhou-cli ") + usage);
    return false;
  }
  return true;
}

int cmdEdit(Context& ctx) {
  const auto name = ctx.args.value("--name");
  const auto author = ctx.args.value("--author");
  const auto url = ctx.args.value("--url");
  const auto categoryName = ctx.args.value("--category");
  const auto downtype = ctx.args.value("--downtype");
  std::vector<std::string> w;
  if (!oneWord(ctx, w,
               "book edit ID [--name N] [--author A] [--url U] [--category C] [--downtype 0|1]"))
    return 2;
  if (downtype && *downtype != "0" && *downtype != "1")
    return usageError(ctx, "--downtype is 0 or 1");
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  const store::ShelfNode* node = session.book(w[0]);
  if (!node) return 2;
  store::Shelf& shelf = session.shelf();
  shelf.select(node);
  auto form = shelf.bookshuxing(shelf.selected());
  if (!form) return 1;
  if (name) form->bookName = *name;
  if (author) form->author = *author;
  if (url) form->address = *url;
  std::string category = form->selectedCategory >= 0
                             ? form->categories[static_cast<std::size_t>(form->selectedCategory)]
                             : std::string();
  if (categoryName) category = *categoryName;
  if (downtype) form->noUpdate = *downtype == "1";
  if (text::trim(form->bookName).empty() || text::trim(form->address).empty() ||
      text::trim(category).empty())
    return usageError(ctx, "the name, the URL and the category must not be empty");
  return shelf.bookFormOk(form->bookName, form->author, form->address, category, form->noUpdate)
             ? 0
             : 1;
}

int cmdDelete(Context& ctx) {
  std::vector<std::string> w;
  if (!oneWord(ctx, w, "book delete ID")) return 2;
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  const store::ShelfNode* node = session.book(w[0]);
  if (!node) return 2;
  session.shelf().select(node);
  return session.shelf().delebook(session.shelf().selected()).deleted ? 0 : 1;
}

int cmdMove(Context& ctx) {
  const auto onto = ctx.args.value("--onto");
  const auto into = ctx.args.value("--into");
  const char* usage = "book move ID (--onto BOOK_ID | --into CATEGORY_ID)";
  std::vector<std::string> w;
  if (!oneWord(ctx, w, usage)) return 2;
  if (onto.has_value() == into.has_value())
    return usageError(ctx, std::string("usage: mozhou-cli ") + usage);
  ShelfSession session(ctx);
  if (!session.connected()) return 1;
  const store::ShelfNode* node = session.book(w[0]);
  if (!node) return 2;
  const store::ShelfNode* target = onto ? session.book(*onto) : session.category(*into);
  if (!target) return 2;
  if (!session.shelf().canDrop(node, target))
    return usageError(
        ctx, onto ? "a book cannot be moved onto itself" : "the book is already in that category");
  return session.shelf().booktreemove(node, target) ? 0 : 1;
}

const CommandRegistration regEdit(
    "book edit", "book edit ID [--name N] [--author A] [--url U] [--category C] [--downtype 0|1]",
    cmdEdit);
const CommandRegistration regDelete("book delete", "book delete ID        delete a novel",
                                    cmdDelete);
const CommandRegistration regMove(
    "book move", "book move ID (--onto BOOK_ID | --into CATEGORY_ID)   reorder or move a novel",
    cmdMove);

}  // namespace
}  // namespace mozhou::cli
