#pragma once
// The chapter list of the current book: its rows, the selection, the move lock and every
// operation on chapter records the list offers. The database changes and the rows change
// together; observers hear of each row change.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/program_dir.h"
#include "app/prompter.h"
#include "store/chapter_properties.h"
#include "store/database.h"
#include "store/row_list.h"

namespace mozhou::store {

// Recount a book's unread chapters and redraw its bookshelf node.
using BookRedraw = std::function<void(long long bookId)>;
// Step a book node's unread count by delta (-1 or +1) without a recount; the node then shows
// its count even when it reaches 0.
using UnreadStep = std::function<void(long long bookId, int delta)>;

// Orders of drawmulu: stored order, chapter name, time added, chapter address.
inline constexpr int kOrderStored = 0;
inline constexpr int kOrderName = 1;
inline constexpr int kOrderTime = 2;
inline constexpr int kOrderUrl = 3;

struct ChapterRow {
  long long id = 0;     // sub-item 4, the row's key
  std::string name;     // caption
  long long words = 0;  // sub-item 0
  std::string volume;   // sub-item 1
  std::string added;    // sub-item 2
  std::string url;      // sub-item 3
  int image = kImageUnread;
  bool selected = false;

  bool read() const { return image == kImageRead; }
  // Sub-items 0 to 4 as text; empty for any other index.
  std::string subItem(int index) const;
};

class ChapterList : public RowList<ChapterRow> {
 public:
  // The database may be absent (nullptr): every operation then fails quietly.
  ChapterList(Database* db, app::ProgramDir dir, app::Prompter& prompter);

  void setDatabase(Database* db) { db_ = db; }
  void setBookRedraw(BookRedraw fn) { redraw_ = std::move(fn); }
  void setUnreadStep(UnreadStep fn) { unreadStep_ = std::move(fn); }

  // The book the list belongs to (the current book); 0 for none. drawmulu fills it.
  void setBook(long long bookId) { bookId_ = bookId; }
  long long bookId() const { return bookId_; }
  // The order of the last drawmulu.
  int order() const { return order_; }

  // Refills the list with the book's shown chapters in one of the four orders. False when
  // the database could not answer (the list is then empty).
  bool drawmulu(int order);
  // The first row with this chapter id.
  std::optional<std::size_t> getzjTListItem(long long chapterId) const;

  // "选择" commands.
  void selectAll();
  void invertSelection();
  void selectRead();    // additionally every read row
  void selectUnread();  // additionally every unread row
  void selectAbove();   // the rows from the first up to the first selected one
  void selectVolume();  // additionally every row of the first selected row's volume

  // Read and unread marks: 0 selected read, 1 selected unread, 2 every row above the
  // selected one read, 3 all read, 4 all unread (3 and 4 include the filtered chapters).
  void mulubiaoj(int mode);
  // Stores one chapter's read state and steps its book's unread count when it changed.
  bool zjrschange(long long bookId, long long chapterId, int state);
  void zjrschangeview(long long bookId, int state);
  // Asks the bookshelf to recount the current book.
  void redrawBook();

  // Deletes the selected chapters after the question, with their text files and pictures.
  void zjdel();
  // Deletes one chapter's record; only when that succeeded, its text file and pictures.
  bool zjdelsql(long long bookId, long long chapterId);

  // Dragging rows is possible only while the move lock is off (it is on at start).
  bool moveLocked() const { return moveLocked_; }
  void setMoveLocked(bool on) { moveLocked_ = on; }
  void toggleMoveLock() { moveLocked_ = !moveLocked_; }
  bool canDrag() const { return !moveLocked_; }
  bool acceptsDrop(std::size_t target) const;
  // A drop on a row moves the selected row before it; a drop on empty space (nullopt) or
  // one that is not accepted does nothing. True when a row was moved.
  bool drop(std::optional<std::size_t> target);
  // Moves the row at source to just before the row at target, in the list and the store.
  void zjmove(std::size_t source, std::size_t target);
  bool zjmovesql(long long sourceId, long long targetId);

  // Sorts the list in an order, keeps (or makes) a selection, and stores the new order.
  void zjpaix(int order);
  bool zjpaixsql();
  // A click on a column header: asks, then sorts by name, time or address; other columns
  // (0 "章节", 1 "字数", 2 "分卷名称", 3 "更新时间", 4 "下载地址") do nothing.
  void columnClick(int column);

  // After an update run of the book: redraw in the stored order, keep the selection, and
  // report no selection change, so the reading view stays where it is.
  void checkredrawmulu(long long bookId);

  // The "章节属性" dialog. The open functions fill the form and return whether the dialog
  // is shown (editing and inserting need a selected row).
  bool openEditProperties(ChapterPropertiesForm& form) const;
  void openNewProperties(ChapterPropertiesForm& form) const;
  bool openInsertProperties(ChapterPropertiesForm& form) const;
  // Saving: true when the dialog closes. onReadingPage: whether the "当前阅读" page is
  // the current page (editing changes nothing elsewhere).
  bool saveProperties(const ChapterPropertiesForm& form, bool onReadingPage = true);
  bool editzjsx(const ChapterPropertiesForm& form, bool onReadingPage = true);
  bool newzj(const ChapterPropertiesForm& form, bool insert);

  // For the filter commands: take a row out of the list, or put a shown chapter of the
  // book back at its place in the list's current order. restoreRow gives the new index.
  void takeRow(std::size_t index);
  std::optional<std::size_t> restoreRow(long long chapterId);

  Database* database() const { return db_; }
  app::Prompter& prompter() const { return prompter_; }

 private:
  std::optional<std::vector<ChapterRow>> loadRows(int order) const;
  bool deleteRecords(const std::vector<long long>& ids);
  void deleteFiles(long long bookId, long long chapterId) const;

  Database* db_;
  app::ProgramDir dir_;
  app::Prompter& prompter_;
  BookRedraw redraw_;
  UnreadStep unreadStep_;
  long long bookId_ = 0;
  int order_ = kOrderStored;
  bool moveLocked_ = true;
};

}  // namespace mozhou::store
