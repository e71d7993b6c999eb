// mozhou-cli mark BOOK_ID read|unread (CHAPTER_ID... | --all | --above CHAPTER_ID)
#include "cli/chapter_book.h"

namespace mozhou::cli {
namespace {

int markCommand(Context& ctx) {
  const bool all = ctx.args.flag("--all");
  const auto above = ctx.args.value("--above");
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  const char* usage =
      "usage: mark BOOK_ID read|unread (CHAPTER_ID... | --all | --above CHAPTER_ID)";
  if (words.size() < 2 || (words[1] != "read" && words[1] != "unread"))
    return usageError(ctx, usage);
  const bool read = words[1] == "read";
  const std::vector<std::string> chapters(words.begin() + 2, words.end());
  // Exactly one way of naming the chapters.
  if ((all ? 1 : 0) + (above ? 1 : 0) + (chapters.empty() ? 0 : 1) != 1)
    return usageError(ctx, usage);
  if (above && !read) return usageError(ctx, "--above marks chapters read only");
  ChapterBook book(ctx);
  if (int rc = book.open(words[0])) return rc;
  int mode;
  if (all) {
    mode = read ? 3 : 4;
  } else if (above) {
    if (!book.select({*above})) return 2;
    mode = 2;
  } else {
    if (!book.select(chapters)) return 2;
    mode = read ? 0 : 1;
  }
  book.list().mulubiaoj(mode);
  return 0;
}

const CommandRegistration kMark(
    "mark", "mark BOOK_ID read|unread (CHAPTER_ID... | --all | --above CHAPTER_ID)   read marks",
    markCommand);

}  // namespace
}  // namespace mozhou::cli
