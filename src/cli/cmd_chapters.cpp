// mozhou-cli chapters BOOK_ID [--order 0|1|2|3]
#include "cli/chapter_book.h"
#include "text/strings.h"

namespace mozhou::cli {
namespace {

int chaptersCommand(Context& ctx) {
  long long order = store::kOrderStored;
  if (auto o = ctx.args.value("--order")) {
    if (!text::parseInt(*o, order) || order < store::kOrderStored || order > store::kOrderUrl)
      return usageError(ctx, "--order takes 0, 1, 2 or 3");
  }
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 1) return usageError(ctx, "usage: chapters BOOK_ID [--order 0|1|2|3]");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0], static_cast<int>(order))) return rc;
  for (const auto& row : book.list().rows()) printChapterRow(ctx, row);
  return 0;
}

const CommandRegistration kChapters(
    "chapters",
    "chapters BOOK_ID [--order 0|1|2|3]   list a book's chapters (stored order, name, time, "
    "address)",
    chaptersCommand);

}  // namespace
}  // namespace mozhou::cli
