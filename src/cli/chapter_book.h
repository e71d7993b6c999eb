#pragma once
// What the chapter commands share: a book's chapter list opened from the command line, and
// the chapters a command names selected in it (the command line has no selection of its own).
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/console.h"
#include "store/chapter_list.h"

namespace mozhou::cli {

class ChapterBook {
 public:
  explicit ChapterBook(Context& ctx) : ctx_(ctx), prompter_(ctx.err, ctx.yes) {}

  // Parses BOOK_ID, opens the database and draws the book's list in the order. 0 when
  // ready, else the exit code (the error has been printed).
  int open(const std::string& bookText, int order = store::kOrderStored);
  // Adds the named chapters to the selection; false (error printed) for a bad id or a
  // chapter the list does not show.
  bool select(const std::vector<std::string>& chapterTexts);
  bool rowOf(const std::string& chapterText, std::size_t& row, long long& id);

  store::ChapterList& list() { return *list_; }
  ConsolePrompter& prompter() { return prompter_; }
  store::Database* db() { return db_.get(); }
  long long bookId() const { return bookId_; }

 private:
  Context& ctx_;
  ConsolePrompter prompter_;
  std::unique_ptr<store::Database> db_;
  std::unique_ptr<store::ChapterList> list_;
  long long bookId_ = 0;
};

void printJson(Context& ctx, const nlohmann::ordered_json& row);
// One chapter-list row: {"id","name","words","volume","added","url","read"}, or a line of
// tab-separated fields in that order.
void printChapterRow(Context& ctx, const store::ChapterRow& row);

}  // namespace mozhou::cli
