#include "cli/chapter_book.h"

#include <ostream>

namespace mozhou::cli {

int ChapterBook::open(const std::string& bookText, int order) {
  if (!parseId(ctx_, bookText, bookId_)) return 2;
  db_ = openDatabase(ctx_, prompter_);
  if (!db_) return 1;
  if (db_->queryInt("SELECT count(*) FROM book_list WHERE bookid=?", bookId_).value_or(0) == 0)
    return usageError(ctx_, "no book with id " + bookText);
  list_ = std::make_unique<store::ChapterList>(db_.get(), ctx_.dir, prompter_);
  list_->setBook(bookId_);
  if (!list_->drawmulu(order)) {
    ctx_.err << "mozhou-cli: cannot read the chapters of book " << bookText << "\n";
    return 1;
  }
  return 0;
}

bool ChapterBook::rowOf(const std::string& chapterText, std::size_t& row, long long& id) {
  if (!parseId(ctx_, chapterText, id)) return false;
  const auto found = list_->getzjTListItem(id);
  if (!found) {
    ctx_.err << "mozhou-cli: book " << bookId_ << " lists no chapter " << chapterText << "\n";
    return false;
  }
  row = *found;
  return true;
}

bool ChapterBook::select(const std::vector<std::string>& chapterTexts) {
  for (const std::string& t : chapterTexts) {
    std::size_t row = 0;
    long long id = 0;
    if (!rowOf(t, row, id)) return false;
    list_->setSelected(row, true);
  }
  return true;
}

void printJson(Context& ctx, const nlohmann::ordered_json& row) {
  ctx.out << row.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void printChapterRow(Context& ctx, const store::ChapterRow& r) {
  if (ctx.json) {
    printJson(ctx, {{"id", std::to_string(r.id)},
                    {"name", r.name},
                    {"words", r.words},
                    {"volume", r.volume},
                    {"added", r.added},
                    {"url", r.url},
                    {"read", r.read() ? 1 : 0}});
    return;
  }
  ctx.out << r.id << '\t' << r.name << '\t' << r.words << '\t' << r.volume << '\t' << r.added
          << '\t' << r.url << '\t' << (r.read() ? 1 : 0) << "\n";
}

}  // namespace mozhou::cli
