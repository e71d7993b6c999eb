#pragma once
// Filtered chapters of the current book: hidden from the chapter list (shifuxianshi 0) and
// listed in the filter menu, from which they can be shown again.
#include "store/chapter_list.h"
#include "store/menu_entries.h"

namespace mozhou::store {

class Filters : public MenuEntries {
 public:
  explicit Filters(ChapterList& list) : list_(list) {}

  // Rebuilds the menu: the book's filtered chapters in stored order.
  void drawguolv();
  bool newguolv(long long chapterId, std::string caption);
  // "加入过滤": after the question, hides the first selected chapter. True when hidden.
  bool addFilter();
  // "取消过滤": shows the chapter again, back at its place in the chapter list, and drops its
  // entry. False when the store could not be changed (the entry then stays).
  bool delguolv(long long chapterId);

 private:
  ChapterList& list_;
};

}  // namespace mozhou::store
