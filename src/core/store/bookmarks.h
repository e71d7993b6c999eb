#pragma once
// Bookmarks of the current book: the records "<bm>id</bm>" of "book/<id>/bookmark.txt"
// and the bookmark menu's entries for the chapters the chapter list shows.
#include <string>

#include "app/program_dir.h"
#include "store/chapter_list.h"
#include "store/menu_entries.h"

namespace mozhou::store {

class Bookmarks : public MenuEntries {
 public:
  Bookmarks(app::ProgramDir dir, ChapterList& list) : dir_(std::move(dir)), list_(list) {}

  // The file's records on one line: line breaks and empty records dropped.
  std::string readText() const;

  // Rebuilds the menu: one entry per recorded chapter that the list shows.
  void drawshuqian();
  bool newshuqian(long long chapterId, std::string caption);
  // "加入书签": the selected chapter, once. True when a bookmark was added.
  bool addBookmark();
  // "跳至书签": selects the chapter, if listed. Returns its row.
  std::optional<std::size_t> shuqian(long long chapterId);
  // "删除书签": removes every record of the chapter, then its entry. False when the file
  // could not be written (the entry then stays).
  bool delshuqian(long long chapterId);

 private:
  bool write(const std::string& text) const;

  app::ProgramDir dir_;
  ChapterList& list_;
};

}  // namespace mozhou::store
