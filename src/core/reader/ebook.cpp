#include "reader/ebook.h"

#include "app/files.h"
#include "text/strings.h"

namespace mozhou::reader {

namespace fs = std::filesystem;

std::optional<std::string> buildEbookText(store::Database& db, const app::ProgramDir& dir,
                                          long long bookId) {
  store::Statement st = db.prepare(
      "SELECT zhangjieid, zhangjiename, fenjuanname FROM book_zhangjie "
      "WHERE bookid=? AND shifuxianshi=1 ORDER BY paix, zhangjieid");
  st.bind(1, bookId);
  if (!st.ok()) return std::nullopt;
  const std::string bookDir = "book/" + std::to_string(bookId) + "/";
  std::string out;
  while (st.step()) {
    out += st.text("fenjuanname") + " " + st.text("zhangjiename") + "\r\n\r\n";
    const std::string text =
        app::readTextFile(dir.path(bookDir + st.text("zhangjieid") + ".txt")).value_or("");
    // The stored text counts as one more line of its own, so a chapter with text is followed
    // by two empty lines and one without text by one.
    if (!text.empty()) out += text + "\r\n";
    out += "\r\n";
  }
  if (!st.ok()) return std::nullopt;
  return out;
}

fs::path ebookTarget(const fs::path& chosen) {
  const std::string name = chosen.string();
  if (name.size() >= 4 && text::iequals(name.substr(name.size() - 4), ".txt")) return chosen;
  return fs::path(name + ".txt");
}

EbookOutcome makeebook(store::Database* db, const app::ProgramDir& dir, long long bookId,
                       const fs::path& chosen, app::Prompter& prompter) {
  if (bookId == 0) {
    prompter.tsxx("当前没有选中小说!");
    return EbookOutcome::NoBook;
  }
  if (!db) return EbookOutcome::Failed;
  auto text = buildEbookText(*db, dir, bookId);
  if (!text) return EbookOutcome::Failed;
  const fs::path target = ebookTarget(chosen);
  std::error_code ec;
  if (fs::exists(target, ec) && !prompter.qrxx("文件已存在，是否覆盖？"))
    return EbookOutcome::Declined;
  return app::writeTextFile(target, *text) ? EbookOutcome::Written : EbookOutcome::Failed;
}

}  // namespace mozhou::reader
