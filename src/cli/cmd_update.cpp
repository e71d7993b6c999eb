// mozhou-cli update [BOOK_ID | --all] [--redownload CHAPTER_ID… | --blank]
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/update_session.h"

namespace mozhou::cli {
namespace {

int cmdUpdate(Context& ctx) {
  UpdateRequest req;
  req.all = ctx.args.flag("--all");
  const bool blank = ctx.args.flag("--blank");
  const bool redownload = ctx.args.flag("--redownload");
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (req.all) {
    if (!words.empty() || blank || redownload)
      return usageError(ctx, "--all takes no book and no chapters");
    return runUpdate(ctx, req);
  }
  if (words.empty()) return usageError(ctx, "update needs BOOK_ID or --all");
  if (!parseId(ctx, words[0], req.bookId)) return 2;
  if (blank && redownload) return usageError(ctx, "--blank and --redownload exclude each other");
  if (redownload) {
    if (words.size() < 2) return usageError(ctx, "--redownload needs CHAPTER_ID…");
    for (std::size_t i = 1; i < words.size(); ++i) {
      long long id = 0;
      if (!parseId(ctx, words[i], id)) return 2;
      req.chapters.push_back(id);
    }
    req.mode = 1;
  } else if (words.size() != 1) {
    return usageError(ctx, "chapters are named only with --redownload");
  } else {
    req.mode = blank ? 2 : 0;
  }
  return runUpdate(ctx, req);
}

const CommandRegistration reg(
    "update",
    "update (BOOK_ID [--redownload CHAPTER_ID… | --blank] | --all)   download new chapters",
    cmdUpdate);

}  // namespace
}  // namespace mozhou::cli
