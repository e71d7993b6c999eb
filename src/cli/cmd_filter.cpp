// mozhou-cli filter BOOK_ID list | add CHAPTER_ID | remove CHAPTER_ID
#include <ostream>

#include "cli/chapter_book.h"
#include "store/filters.h"

namespace mozhou::cli {
namespace {

int filterCommand(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  const bool list = words.size() == 2 && words[1] == "list";
  const bool add = words.size() == 3 && words[1] == "add";
  const bool remove = words.size() == 3 && words[1] == "remove";
  if (!list && !add && !remove)
    return usageError(ctx, "usage: filter BOOK_ID list | add CHAPTER_ID | remove CHAPTER_ID");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  store::Filters filters(book.list());
  filters.drawguolv();
  if (list) {
    for (const auto& e : filters.entries()) {
      if (ctx.json)
        printJson(ctx, {{"id", std::to_string(e.chapterId)}, {"name", e.caption}});
      else
        ctx.out << e.chapterId << '\t' << e.caption << "\n";
    }
    return 0;
  }
  if (add) {
    if (!book.select({words[2]})) return 2;
    if (filters.addFilter()) return 0;
    if (book.prompter().declined()) return 1;
    ctx.err << "mozhou-cli: the chapter could not be filtered\n";
    return 1;
  }
  long long id = 0;
  if (!parseId(ctx, words[2], id)) return 2;
  if (!filters.find(id))
    return usageError(ctx, "chapter " + words[2] + " of book " + words[0] + " is not filtered");
  if (!filters.delguolv(id)) {
    ctx.err << "mozhou-cli: the chapter could not be shown again\n";
    return 1;
  }
  return 0;
}

const CommandRegistration kFilter(
    "filter", "filter BOOK_ID list | add CHAPTER_ID | remove CHAPTER_ID   filtered chapters",
    filterCommand);

}  // namespace
}  // namespace mozhou::cli
