#include "store/latest_updates.h"

#include <vector>

namespace mozhou::store {

std::string LatestRow::subItem(int index) const {
  switch (index) {
    case 0:
      return name;
    case 1:
      return added;
    case 2:
      return std::to_string(words);
    case 3:
      return volume;
    case 4:
      return url;
    case 5:
      return std::to_string(bookId);
    case 6:
      return std::to_string(id);
    default:
      return {};
  }
}

bool LatestUpdates::drawnewdlv() {
  std::vector<LatestRow> rows;
  bool ok = false;
  if (db_) {
    Statement st = db_->prepare(
        "SELECT a.bookid,a.bookname,b.zhangjieid,b.zhangjiename,b.fenjuanname,b.zhangjieurl,"
        "b.zishutongji,b.addtime,b.readstate FROM book_list a, book_zhangjie b "
        "WHERE a.bookid=b.bookid AND b.shifuxianshi=1 "
        "ORDER BY b.addtime DESC,b.paix DESC LIMIT ?");
    st.bind(1, kLatestUpdatesLimit);
    while (st.step()) {
      LatestRow r;
      r.bookId = st.integer("bookid");
      r.bookName = st.text("bookname");
      r.id = st.integer("zhangjieid");
      r.name = st.text("zhangjiename");
      r.volume = st.text("fenjuanname");
      r.url = st.text("zhangjieurl");
      r.words = st.integer("zishutongji");
      r.added = st.text("addtime");
      r.image = st.integer("readstate") != 0 ? kImageRead : kImageUnread;
      rows.push_back(std::move(r));
    }
    ok = st.ok();
    if (!ok) rows.clear();
  }
  resetRows(std::move(rows));
  return ok;
}

std::optional<std::size_t> LatestUpdates::getnzjTListItem(long long bookId,
                                                          long long chapterId) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].bookId == bookId && rows_[i].id == chapterId) return i;
  return std::nullopt;
}

}  // namespace mozhou::store
