// mozhou-cli read BOOK_ID CHAPTER_ID, mozhou-cli export BOOK_ID FILE
#include <iostream>

#include "app/files.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "reader/ebook.h"

namespace mozhou::cli {
namespace {

bool bookExists(store::Database& db, long long bookId) {
  return db.queryInt("SELECT count(*) FROM book_list WHERE bookid=?", bookId).value_or(0) > 0;
}

int readCommand(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 2) return usageError(ctx, "usage: read BOOK_ID CHAPTER_ID");
  long long book = 0, chapter = 0;
  if (!parseId(ctx, words[0], book) || !parseId(ctx, words[1], chapter)) return 2;
  ConsolePrompter prompter(ctx.err, ctx.yes);
  auto db = openDatabase(ctx, prompter);
  if (!db) return 1;
  if (db->queryInt("SELECT count(*) FROM book_zhangjie WHERE bookid=? AND zhangjieid=?", book,
                   chapter)
          .value_or(0) == 0)
    return usageError(ctx, "book " + words[0] + " has no chapter " + words[1]);
  auto text = app::readTextFile(ctx.dir.path("book/" + words[0] + "/" + words[1] + ".txt"));
  if (!text) {
    ctx.err << "mozhou-cli: chapter " << words[1] << " has not been downloaded\n";
    return 1;
  }
  ctx.out << *text;
  return 0;
}

int exportCommand(Context& ctx) {
  std::vector<std::string> words;
  std::string error;
  if (!ctx.args.positional(words, error)) return usageError(ctx, error);
  if (words.size() != 2) return usageError(ctx, "usage: export BOOK_ID FILE");
  long long book = 0;
  if (!parseId(ctx, words[0], book)) return 2;
  ConsolePrompter prompter(ctx.err, ctx.yes);
  auto db = openDatabase(ctx, prompter);
  if (!db) return 1;
  const long long node = bookExists(*db, book) ? book : 0;
  switch (reader::makeebook(db.get(), ctx.dir, node, words[1], prompter)) {
    case reader::EbookOutcome::Written:
      ctx.out << reader::ebookTarget(words[1]).string() << "\n";
      return 0;
    case reader::EbookOutcome::NoBook:
      return 2;
    case reader::EbookOutcome::Declined:
      return 1;
    case reader::EbookOutcome::Failed:
      break;
  }
  ctx.err << "mozhou-cli: cannot write " << reader::ebookTarget(words[1]).string() << "\n";
  return 1;
}

const CommandRegistration kRead("read", "read BOOK_ID CHAPTER_ID   print a chapter's text",
                                readCommand);
const CommandRegistration kExport("export",
                                  "export BOOK_ID FILE       write the book as one text file",
                                  exportCommand);

}  // namespace
}  // namespace mozhou::cli
