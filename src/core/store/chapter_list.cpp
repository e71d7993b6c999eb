#include "store/chapter_list.h"

#include <system_error>

#include "app/files.h"
#include "store/chapter_files.h"
#include "store/order_numbers.h"

namespace mozhou::store {

namespace {

constexpr const char* kNoSelection = "当前没有选中任何章节!";
constexpr const char* kFailed = "操作失败!";

constexpr const char* kRowColumns =
    "SELECT zhangjieid,zhangjiename,fenjuanname,zhangjieurl,zishutongji,addtime,readstate "
    "FROM book_zhangjie WHERE bookid=?";

// ORDER BY of each list order, and the key by which a chapter's place in it is found.
const char* orderTail(int order) {
  switch (order) {
    case kOrderStored:
      return " AND shifuxianshi=1 ORDER BY paix,zhangjieid";
    case kOrderName:
      return " AND shifuxianshi=1 ORDER BY zhangjiename,zhangjieid";
    case kOrderTime:
      return " AND shifuxianshi=1 ORDER BY addtime,zhangjieid";
    case kOrderUrl:
      return " AND shifuxianshi=1 ORDER BY zhangjieurl,zhangjieid";
    default:
      return nullptr;
  }
}

const char* orderKey(int order) {
  switch (order) {
    case kOrderName:
      return "zhangjiename";
    case kOrderTime:
      return "addtime";
    case kOrderUrl:
      return "zhangjieurl";
    default:
      return "paix";
  }
}

ChapterRow rowFrom(const Statement& st) {
  ChapterRow r;
  r.id = st.integer("zhangjieid");
  r.name = st.text("zhangjiename");
  r.volume = st.text("fenjuanname");
  r.url = st.text("zhangjieurl");
  r.words = st.integer("zishutongji");
  r.added = st.text("addtime");
  r.image = st.integer("readstate") != 0 ? kImageRead : kImageUnread;
  return r;
}

}  // namespace

std::string ChapterRow::subItem(int index) const {
  switch (index) {
    case 0:
      return std::to_string(words);
    case 1:
      return volume;
    case 2:
      return added;
    case 3:
      return url;
    case 4:
      return std::to_string(id);
    default:
      return {};
  }
}

ChapterList::ChapterList(Database* db, app::ProgramDir dir, app::Prompter& prompter)
    : RowList(true), db_(db), dir_(std::move(dir)), prompter_(prompter) {}

std::optional<std::vector<ChapterRow>> ChapterList::loadRows(int order) const {
  const char* tail = orderTail(order);
  if (!db_ || !tail) return std::nullopt;
  Statement st = db_->prepare(std::string(kRowColumns) + tail);
  st.bind(1, bookId_);
  std::vector<ChapterRow> rows;
  while (st.step()) rows.push_back(rowFrom(st));
  if (!st.ok()) return std::nullopt;
  return rows;
}

bool ChapterList::drawmulu(int order) {
  if (orderTail(order)) order_ = order;
  auto rows = loadRows(order);
  resetRows(rows ? std::move(*rows) : std::vector<ChapterRow>{});
  return rows.has_value();
}

std::optional<std::size_t> ChapterList::getzjTListItem(long long chapterId) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].id == chapterId) return i;
  return std::nullopt;
}

void ChapterList::selectAll() {
  bool changed = false;
  for (ChapterRow& r : rows_) {
    changed = changed || !r.selected;
    r.selected = true;
  }
  if (changed) selectionChanged();
}

void ChapterList::invertSelection() {
  for (ChapterRow& r : rows_) r.selected = !r.selected;
  if (!rows_.empty()) selectionChanged();
}

void ChapterList::selectRead() {
  bool changed = false;
  for (ChapterRow& r : rows_)
    if (r.image == kImageRead && !r.selected) r.selected = changed = true;
  if (changed) selectionChanged();
}

void ChapterList::selectUnread() {
  bool changed = false;
  for (ChapterRow& r : rows_)
    if (r.image == kImageUnread && !r.selected) r.selected = changed = true;
  if (changed) selectionChanged();
}

void ChapterList::selectAbove() {
  const auto sel = selectedIndex();
  if (!sel) return;
  bool changed = false;
  for (std::size_t i = 0; i < *sel; ++i)
    if (!rows_[i].selected) rows_[i].selected = changed = true;
  if (changed) selectionChanged();
}

void ChapterList::selectVolume() {
  const auto sel = selectedIndex();
  if (!sel) return;
  const std::string volume = rows_[*sel].volume;
  bool changed = false;
  for (ChapterRow& r : rows_)
    if (r.volume == volume && !r.selected) r.selected = changed = true;
  if (changed) selectionChanged();
}

void ChapterList::mulubiaoj(int mode) {
  if (mode < 0 || mode > 4) return;
  const auto sel = selectedIndex();
  if (mode <= 2 && !sel) return;
  const int state = (mode == 1 || mode == 4) ? 0 : 1;
  std::vector<std::size_t> targets;
  if (mode <= 1) {
    targets = selectedIndices();
  } else if (mode == 2) {
    for (std::size_t i = 0; i < *sel; ++i) targets.push_back(i);
  } else {
    for (std::size_t i = 0; i < rows_.size(); ++i) targets.push_back(i);
  }
  bool stored = false;
  if (mode <= 2) {
    if (!targets.empty() && db_) {
      std::vector<long long> ids;
      ids.reserve(targets.size());
      for (std::size_t i : targets) ids.push_back(rows_[i].id);
      stored = db_->exec(
          "UPDATE book_zhangjie SET readstate=? WHERE bookid=? AND zhangjieid IN "
          "(SELECT value FROM json_each(?))",
          state, bookId_, idListParam(ids));
    }
  } else if (db_) {
    stored = db_->exec("UPDATE book_zhangjie SET readstate=? WHERE bookid=?", state, bookId_);
  }
  // The rows show what the store holds: a mark that could not be stored is not shown.
  if (stored)
    for (std::size_t i : targets) setImage(i, state ? kImageRead : kImageUnread);
  redrawBook();
}

bool ChapterList::zjrschange(long long bookId, long long chapterId, int state) {
  if (!db_) return false;
  state = state ? 1 : 0;
  const long long stored =
      db_->queryInt("SELECT readstate FROM book_zhangjie WHERE bookid=? AND zhangjieid=?", bookId,
                    chapterId)
          .value_or(0);
  if ((stored ? 1 : 0) == state) return true;
  if (!db_->exec("UPDATE book_zhangjie SET readstate=? WHERE bookid=? AND zhangjieid=?", state,
                 bookId, chapterId))
    return false;
  // A chapter that is not there changes no count.
  if (db_->changes() > 0) zjrschangeview(bookId, state);
  return true;
}

void ChapterList::zjrschangeview(long long bookId, int state) {
  if (unreadStep_)
    unreadStep_(bookId, state ? -1 : 1);
  else if (redraw_)
    redraw_(bookId);
}

void ChapterList::redrawBook() {
  if (redraw_ && bookId_ != 0) redraw_(bookId_);
}

void ChapterList::deleteFiles(long long bookId, long long chapterId) const {
  std::error_code ec;
  std::filesystem::remove(chapterTextFile(dir_, bookId, chapterId), ec);
  app::DeleteDir(chapterPictureDir(dir_, bookId, chapterId));
}

bool ChapterList::deleteRecords(const std::vector<long long>& ids) {
  if (!db_ || ids.empty()) return false;
  if (!db_->exec("DELETE FROM book_zhangjie WHERE bookid=? AND zhangjieid IN "
                 "(SELECT value FROM json_each(?))",
                 bookId_, idListParam(ids)))
    return false;
  for (long long id : ids) deleteFiles(bookId_, id);
  return true;
}

bool ChapterList::zjdelsql(long long bookId, long long chapterId) {
  // The files go only with the record: a record left behind keeps its text.
  if (!db_ ||
      !db_->exec("DELETE FROM book_zhangjie WHERE bookid=? AND zhangjieid=?", bookId, chapterId))
    return false;
  deleteFiles(bookId, chapterId);
  return true;
}

void ChapterList::zjdel() {
  const auto selected = selectedIndices();
  if (selected.empty()) {
    prompter_.tsxx(kNoSelection);
    return;
  }
  if (!prompter_.qrxx("确实要删除选中章节？")) return;
  std::vector<long long> ids;
  ids.reserve(selected.size());
  for (std::size_t i : selected) ids.push_back(rows_[i].id);
  if (deleteRecords(ids)) {
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) removeRow(*it);
    selectionChanged();
  }
  redrawBook();
}

bool ChapterList::acceptsDrop(std::size_t target) const {
  if (moveLocked_ || target >= rows_.size()) return false;
  const auto sel = selectedIndex();
  return sel && *sel != target;
}

bool ChapterList::drop(std::optional<std::size_t> target) {
  if (!target || !acceptsDrop(*target)) return false;
  zjmove(*selectedIndex(), *target);
  return true;
}

void ChapterList::zjmove(std::size_t source, std::size_t target) {
  if (source >= rows_.size() || target >= rows_.size() || source == target) return;
  ChapterRow copy = rows_[source];
  const long long sourceId = copy.id;
  const long long targetId = rows_[target].id;
  insertRow(target, std::move(copy));
  zjmovesql(sourceId, targetId);
  removeRow(source > target ? source + 1 : source);
}

bool ChapterList::zjmovesql(long long sourceId, long long targetId) {
  if (!db_) return false;
  constexpr const char* kPaix = "SELECT paix FROM book_zhangjie WHERE bookid=? AND zhangjieid=?";
  const long long s = db_->queryInt(kPaix, bookId_, sourceId).value_or(-1);
  const long long t = db_->queryInt(kPaix, bookId_, targetId).value_or(-1);
  if (s < 0 || t < 0) return false;
  // The range shift and the final number belong together: both or neither.
  Transaction tx(*db_);
  if (!tx.active()) return false;
  bool ok;
  if (t < s) {
    ok = db_->exec("UPDATE book_zhangjie SET paix=paix+1 WHERE bookid=? AND paix>=? AND paix<=?",
                   bookId_, t, s) &&
         db_->exec("UPDATE book_zhangjie SET paix=? WHERE bookid=? AND zhangjieid=?", t, bookId_,
                   sourceId);
  } else {
    ok = db_->exec("UPDATE book_zhangjie SET paix=paix-1 WHERE bookid=? AND paix>=? AND paix<?",
                   bookId_, s, t) &&
         db_->exec("UPDATE book_zhangjie SET paix=? WHERE bookid=? AND zhangjieid=?", t - 1,
                   bookId_, sourceId);
  }
  return ok && tx.commit();
}

void ChapterList::zjpaix(int order) {
  std::optional<long long> keep;
  if (const auto sel = selectedIndex()) keep = rows_[*sel].id;
  drawmulu(order);
  if (rows_.empty()) return;
  std::size_t select = 0;
  if (keep)
    if (const auto found = getzjTListItem(*keep)) select = *found;
  rows_[select].selected = true;
  selectionChanged();
  notify([&](ListObserver& o) { o.scrollRequested(select); });
  zjpaixsql();
}

bool ChapterList::zjpaixsql() {
  if (!db_ || rows_.empty()) return false;
  std::vector<long long> ids;
  ids.reserve(rows_.size());
  for (const ChapterRow& r : rows_) ids.push_back(r.id);
  // Position i of the list becomes order number i+1, in one statement. The unary "+" keeps
  // the planner from walking the book's index and scanning the id list once per chapter.
  return db_->exec(
      "UPDATE book_zhangjie SET paix=j.key+1 FROM json_each(?) AS j "
      "WHERE +book_zhangjie.bookid=? AND book_zhangjie.zhangjieid=j.value",
      idListParam(ids), bookId_);
}

void ChapterList::columnClick(int column) {
  int order;
  const char* question;
  switch (column) {
    case 0:
      order = kOrderName;
      question = "确认按章节名称排序？";
      break;
    case 3:
      order = kOrderTime;
      question = "确认按更新时间排序？";
      break;
    case 4:
      order = kOrderUrl;
      question = "确认按章节地址排序？";
      break;
    default:
      return;
  }
  if (prompter_.qrxx(question)) zjpaix(order);
}

void ChapterList::checkredrawmulu(long long bookId) {
  if (bookId == 0 || bookId != bookId_) return;
  std::vector<long long> keep;
  for (std::size_t i : selectedIndices()) keep.push_back(rows_[i].id);
  auto rows = loadRows(kOrderStored);
  order_ = kOrderStored;
  if (!rows) rows.emplace();
  for (ChapterRow& r : *rows)
    for (long long id : keep)
      if (r.id == id) r.selected = true;
  resetRows(std::move(*rows));
  scrollToSelected();
}

bool ChapterList::openEditProperties(ChapterPropertiesForm& form) const {
  const auto sel = selectedIndex();
  if (!sel) return false;
  const ChapterRow& r = rows_[*sel];
  form = {r.name, r.volume, r.url, std::string(kSaveEdit)};
  return true;
}

void ChapterList::openNewProperties(ChapterPropertiesForm& form) const {
  form = {{}, {}, {}, std::string(kSaveNew)};
}

bool ChapterList::openInsertProperties(ChapterPropertiesForm& form) const {
  if (!hasSelection()) return false;
  form = {{}, {}, {}, std::string(kSaveInsert)};
  return true;
}

bool ChapterList::saveProperties(const ChapterPropertiesForm& form, bool onReadingPage) {
  if (form.zjnm.empty()) {
    prompter_.tsxx("章节名称不可为空!");
    return false;
  }
  if (form.saveCaption == kSaveEdit) return editzjsx(form, onReadingPage);
  if (form.saveCaption == kSaveNew) return newzj(form, false);
  if (form.saveCaption == kSaveInsert) return newzj(form, true);
  return true;
}

bool ChapterList::editzjsx(const ChapterPropertiesForm& form, bool onReadingPage) {
  const auto sel = selectedIndex();
  if (!onReadingPage || !sel) return true;
  ChapterRow& r = rows_[*sel];
  if (!db_ || !db_->exec("UPDATE book_zhangjie SET zhangjiename=?,fenjuanname=?,zhangjieurl=? "
                         "WHERE bookid=? AND zhangjieid=?",
                         form.zjnm, form.fjnm, form.zjml, bookId_, r.id)) {
    prompter_.tsxx(kFailed);
    return false;
  }
  r.name = form.zjnm;
  r.volume = form.fjnm;
  r.url = form.zjml;
  rowChanged(*sel);
  return true;
}

bool ChapterList::newzj(const ChapterPropertiesForm& form, bool insert) {
  if (bookId_ == 0) return true;
  auto fail = [&] {
    prompter_.tsxx(kFailed);
    return false;
  };
  if (!db_) return fail();
  const auto paix = nextChapterOrder(*db_, bookId_);
  if (!paix) return fail();
  if (!db_->exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,paix) "
                 "VALUES (?,?,?,?,?)",
                 bookId_, form.zjnm, form.fjnm, form.zjml, *paix))
    return fail();
  // This connection's own insert, whatever the update worker adds meanwhile.
  const long long id = db_->lastInsertId();
  Statement st = db_->prepare(std::string(kRowColumns) + " AND zhangjieid=?");
  st.bindAll(bookId_, id);
  if (st.step()) {
    insertRow(rows_.size(), rowFrom(st));
    if (insert)
      if (const auto sel = selectedIndex()) zjmove(rows_.size() - 1, *sel);
  } else if (!st.ok()) {
    return fail();
  }
  return true;
}

void ChapterList::takeRow(std::size_t index) {
  if (index >= rows_.size()) return;
  const bool wasSelected = rows_[index].selected;
  removeRow(index);
  if (wasSelected) selectionChanged();
}

std::optional<std::size_t> ChapterList::restoreRow(long long chapterId) {
  if (!db_ || bookId_ == 0 || getzjTListItem(chapterId)) return std::nullopt;
  Statement st = db_->prepare(std::string(kRowColumns) + " AND zhangjieid=? AND shifuxianshi=1");
  st.bindAll(bookId_, chapterId);
  if (!st.step()) return std::nullopt;
  ChapterRow row = rowFrom(st);
  const char* key = orderKey(order_);
  // Its place: the number of listed chapters that come before it in the list's order.
  const std::string sql = std::string(
                              "SELECT count(*) FROM book_zhangjie a, book_zhangjie b "
                              "WHERE b.zhangjieid=? AND a.bookid=b.bookid AND "
                              "a.shifuxianshi=1 AND a.zhangjieid<>b.zhangjieid AND "
                              "(a.") +
                          key + ",a.zhangjieid) < (b." + key + ",b.zhangjieid)";
  const auto before = db_->queryInt(sql, chapterId);
  const std::size_t at = before ? static_cast<std::size_t>(*before) : rows_.size();
  insertRow(at, std::move(row));
  return std::min(at, rows_.size() - 1);
}

}  // namespace mozhou::store
