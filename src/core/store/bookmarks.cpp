#include "store/bookmarks.h"

#include <system_error>

#include "app/files.h"
#include "store/chapter_files.h"
#include "text/regex.h"
#include "text/strings.h"

namespace mozhou::store {

namespace {

std::string record(long long chapterId) { return "<bm>" + std::to_string(chapterId) + "</bm>"; }

// A chapter id as the list writes it: plain decimal digits, nothing else.
std::optional<long long> chapterIdOf(const std::string& s) {
  long long id = 0;
  if (!text::parseInt(s, id) || std::to_string(id) != s) return std::nullopt;
  return id;
}

}  // namespace

std::string Bookmarks::readText() const {
  std::string t = app::readTextFile(bookmarkFile(dir_, list_.bookId())).value_or("");
  t = text::replaceAll(t, "\r", "");
  t = text::replaceAll(t, "\n", "");
  return text::replaceAll(t, "<bm></bm>", "");
}

bool Bookmarks::write(const std::string& text) const {
  const auto file = bookmarkFile(dir_, list_.bookId());
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  return app::writeTextFile(file, text);
}

void Bookmarks::drawshuqian() {
  std::vector<MenuEntry> entries;
  for (const auto& m : text::regexExecute("<bm>(.*?)</bm>", readText()).matches) {
    if (m.subMatches.empty()) continue;
    const auto id = chapterIdOf(m.subMatches[0]);
    if (!id) continue;
    const auto row = list_.getzjTListItem(*id);
    if (!row) continue;  // filtered or deleted: the record stays, the menu skips it
    bool known = false;
    for (const MenuEntry& e : entries) known = known || e.chapterId == *id;
    if (!known) entries.push_back({*id, list_.row(*row).name});
  }
  resetEntries(std::move(entries));
}

bool Bookmarks::newshuqian(long long chapterId, std::string caption) {
  return addEntry(chapterId, std::move(caption));
}

bool Bookmarks::addBookmark() {
  const auto sel = list_.selectedIndex();
  if (!sel) {
    list_.prompter().tsxx("当前没有选中任何章节!");
    return false;
  }
  const ChapterRow& row = list_.row(*sel);
  const std::string text = readText();
  const std::string rec = record(row.id);
  if (text.find(rec) != std::string::npos) return false;
  // The menu offers only what the file holds.
  if (!write((text.empty() ? "" : text + "\r\n") + rec + "\r\n")) return false;
  newshuqian(row.id, row.name);
  return true;
}

std::optional<std::size_t> Bookmarks::shuqian(long long chapterId) {
  const auto row = list_.getzjTListItem(chapterId);
  if (row) list_.selectOnly(*row);
  list_.scrollToSelected();
  return row;
}

bool Bookmarks::delshuqian(long long chapterId) {
  const std::string text = text::replaceAll(readText(), record(chapterId), "");
  if (!write(text + "\r\n")) return false;
  removeEntry(chapterId);
  return true;
}

}  // namespace mozhou::store
