#include "store/filters.h"

namespace mozhou::store {

void Filters::drawguolv() {
  std::vector<MenuEntry> entries;
  if (Database* db = list_.database()) {
    Statement st = db->prepare(
        "SELECT zhangjieid,zhangjiename FROM book_zhangjie WHERE bookid=? AND shifuxianshi=0 "
        "ORDER BY paix,zhangjieid");
    st.bind(1, list_.bookId());
    while (st.step()) entries.push_back({st.integer("zhangjieid"), st.text("zhangjiename")});
    if (!st.ok()) entries.clear();
  }
  resetEntries(std::move(entries));
}

bool Filters::newguolv(long long chapterId, std::string caption) {
  return addEntry(chapterId, std::move(caption));
}

bool Filters::addFilter() {
  const auto sel = list_.selectedIndex();
  if (!sel) {
    list_.prompter().tsxx("当前没有选中任何章节!");
    return false;
  }
  if (!list_.prompter().qrxx("确实要将当前章节设为过滤章节？设置后将不在章节列表中显示！"))
    return false;
  Database* db = list_.database();
  const ChapterRow row = list_.row(*sel);
  // The list and the menu show what the store holds.
  if (!db || !db->exec("UPDATE book_zhangjie SET shifuxianshi=0 WHERE bookid=? AND zhangjieid=?",
                       list_.bookId(), row.id))
    return false;
  newguolv(row.id, row.name);
  list_.takeRow(*sel);
  // A hidden chapter no longer counts as unread.
  list_.redrawBook();
  return true;
}

bool Filters::delguolv(long long chapterId) {
  Database* db = list_.database();
  if (!db || !db->exec("UPDATE book_zhangjie SET shifuxianshi=1 WHERE bookid=? AND zhangjieid=?",
                       list_.bookId(), chapterId))
    return false;
  if (db->changes() > 0) {
    list_.restoreRow(chapterId);
    list_.redrawBook();
  }
  removeEntry(chapterId);
  return true;
}

}  // namespace mozhou::store
