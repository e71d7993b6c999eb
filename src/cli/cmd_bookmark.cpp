// mozhou-cli bookmark BOOK_ID list | add CHAPTER_ID | delete CHAPTER_ID
#include <ostream>

#include "cli/chapter_book.h"
#include "store/bookmarks.h"

namespace mozhou::cli {
namespace {

int bookmarkCommand(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  const bool list = words.size() == 2 && words[1] == "list";
  const bool add = words.size() == 3 && words[1] == "add";
  const bool del = words.size() == 3 && words[1] == "delete";
  if (!list && !add && !del)
    return usageError(ctx, "usage: bookmark BOOK_ID list | add CHAPTER_ID | delete CHAPTER_ID");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  store::Bookmarks bookmarks(ctx.dir, book.list());
  bookmarks.drawshuqian();
  if (list) {
    for (const auto& e : bookmarks.entries()) {
      if (ctx.json)
        printJson(ctx, {{"id", std::to_string(e.chapterId)}, {"name", e.caption}});
      else
        ctx.out << e.chapterId << '\t' << e.caption << "\n";
    }
    return 0;
  }
  if (add) {
    if (!book.select({words[2]})) return 2;
    const long long id = book.list().row(*book.list().selectedIndex()).id;
    const std::string record = "<bm>" + std::to_string(id) + "</bm>";
    if (bookmarks.readText().find(record) != std::string::npos) return 0;  // already there
    if (bookmarks.addBookmark()) return 0;
    ctx.err << "mozhou-cli: cannot write the bookmark file\n";
    return 1;
  }
  long long id = 0;
  if (!parseId(ctx, words[2], id)) return 2;
  if (bookmarks.readText().find("<bm>" + std::to_string(id) + "</bm>") == std::string::npos)
    return usageError(ctx, "book " + words[0] + " has no bookmark on chapter " + words[2]);
  if (!bookmarks.delshuqian(id)) {
    ctx.err << "mozhou-cli: cannot write the bookmark file\n";
    return 1;
  }
  return 0;
}

const CommandRegistration kBookmark(
    "bookmark", "bookmark BOOK_ID list | add CHAPTER_ID | delete CHAPTER_ID   bookmarks",
    bookmarkCommand);

}  // namespace
}  // namespace mozhou::cli
