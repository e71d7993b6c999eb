#pragma once
// The latest-updates list: the 100 most recently added shown chapters of all books, one row
// selectable.
#include <optional>
#include <string>

#include "store/database.h"
#include "store/row_list.h"

namespace mozhou::store {

inline constexpr int kLatestUpdatesLimit = 100;

struct LatestRow {
  std::string bookName;  // caption
  std::string name;      // sub-item 0
  std::string added;     // sub-item 1
  long long words = 0;   // sub-item 2
  std::string volume;    // sub-item 3
  std::string url;       // sub-item 4
  long long bookId = 0;  // sub-item 5
  long long id = 0;      // sub-item 6, the chapter id
  int image = kImageUnread;
  bool selected = false;

  bool read() const { return image == kImageRead; }
  // Sub-items 0 to 6 as text; empty for any other index.
  std::string subItem(int index) const;
};

class LatestUpdates : public RowList<LatestRow> {
 public:
  explicit LatestUpdates(Database* db) : RowList(false), db_(db) {}
  void setDatabase(Database* db) { db_ = db; }

  // Refills the list, newest first. False when the database could not answer.
  bool drawnewdlv();
  // The first row of this book and chapter.
  std::optional<std::size_t> getnzjTListItem(long long bookId, long long chapterId) const;

 private:
  Database* db_;
};

}  // namespace mozhou::store
