#include "store/shelf.h"

#include <algorithm>

#include "app/files.h"
#include "store/order_numbers.h"
#include "text/strings.h"

namespace mozhou::store {
namespace {

constexpr const char* kDuplicateCategory = "分类名称重复!";
constexpr const char* kDuplicateOtherCategory = "分类名称与其他分类重复!";
constexpr const char* kNoCategorySelected = "当前未选中小说分类!";
constexpr const char* kNoBookSelected = "当前没有选中小说!";
constexpr const char* kAskDeleteCategory = "确实要删除当前分类？删除的同时将删除分类下所有小说！";
constexpr const char* kAskDeleteBook = "确认要删除当前小说？";

bool blank(std::string_view s) { return text::trim(s).empty(); }

// nullopt when the database could not answer; otherwise whether a row came back.
template <typename... A>
std::optional<bool> rowExists(Database& db, std::string_view sql, const A&... values) {
  Statement st = db.prepare(sql);
  st.bindAll(values...);
  const bool row = st.step();
  if (!row && !st.ok()) return std::nullopt;
  return row;
}

}  // namespace

// --- ShelfNode ---------------------------------------------------------------------------

std::string ShelfNode::text() const {
  if (isRoot()) return kShelfRootText;
  if (isBook() && item_.unread > 0) return item_.name + "(" + std::to_string(item_.unread) + ")";
  return item_.name;
}

int ShelfNode::image() const {
  switch (level_) {
    case kRoot:
      return kRootImage;
    case kCategory:
      return kCategoryImage;
    default:
      return updating_ ? kUpdatingImage : kBookImage;
  }
}

int ShelfNode::row() const {
  if (!parent_) return 0;
  const auto& siblings = parent_->children_;
  for (std::size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == this) return static_cast<int>(i);
  return 0;
}

// --- Shelf: structure --------------------------------------------------------------------

Shelf::Shelf(Database* db, app::ProgramDir dir, app::Prompter& prompter, UpdateControl& updates,
             CurrentBook& current)
    : db_(db),
      dir_(std::move(dir)),
      prompter_(prompter),
      updates_(updates),
      current_(current),
      root_(new ShelfNode(ShelfNode::kRoot, 0, TPItem{}, nullptr)) {
  nodes_.insert(root_.get());
}

Shelf::~Shelf() = default;

void Shelf::addObserver(ShelfObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void Shelf::removeObserver(ShelfObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

bool Shelf::contains(const ShelfNode* node) const { return node && nodes_.count(node) > 0; }

// Handles come from views and dialogs; a stale one must never be dereferenced.
ShelfNode* Shelf::live(const ShelfNode* node) const {
  return contains(node) ? const_cast<ShelfNode*>(node) : nullptr;
}

ShelfNode* Shelf::addNode(ShelfNode& parent, int level, long long id, TPItem item) {
  const int row = static_cast<int>(parent.children_.size());
  notify([&](ShelfObserver& o) { o.nodeAdding(parent, row); });
  parent.children_.push_back(
      std::unique_ptr<ShelfNode>(new ShelfNode(level, id, std::move(item), &parent)));
  ShelfNode* node = parent.children_.back().get();
  nodes_.insert(node);
  notify([&](ShelfObserver& o) { o.nodeAdded(*node); });
  return node;
}

void Shelf::removeNode(ShelfNode& node) {
  if (node.isRoot()) return;
  notify([&](ShelfObserver& o) { o.nodeRemoving(node); });
  ShelfNode& parent = *node.parent_;
  const int row = node.row();
  bool selectionLost = false;
  auto forget = [&](auto& self, ShelfNode& n) -> void {
    for (auto& c : n.children_) self(self, *c);
    nodes_.erase(&n);
    if (selected_ == &n) {
      selected_ = nullptr;
      selectionLost = true;
    }
    if (editTarget_ == &n) editTarget_ = nullptr;
  };
  forget(forget, node);
  parent.children_.erase(parent.children_.begin() + row);
  notify([&](ShelfObserver& o) { o.nodeRemoved(parent, row); });
  if (selectionLost) notify([&](ShelfObserver& o) { o.selectionChanged(nullptr); });
}

void Shelf::moveNode(ShelfNode& node, ShelfNode& newParent, std::size_t beforeRow) {
  ShelfNode& oldParent = *node.parent_;
  const std::size_t row = static_cast<std::size_t>(node.row());
  if (&oldParent == &newParent && (beforeRow == row || beforeRow == row + 1)) return;
  notify([&](ShelfObserver& o) { o.nodeMoving(node, newParent, static_cast<int>(beforeRow)); });
  std::unique_ptr<ShelfNode> owned = std::move(oldParent.children_[row]);
  oldParent.children_.erase(oldParent.children_.begin() + static_cast<long>(row));
  if (&oldParent == &newParent && beforeRow > row) --beforeRow;
  beforeRow = std::min(beforeRow, newParent.children_.size());
  newParent.children_.insert(newParent.children_.begin() + static_cast<long>(beforeRow),
                             std::move(owned));
  node.parent_ = &newParent;
  notify([&](ShelfObserver& o) { o.nodeMoved(node); });
}

void Shelf::changed(const ShelfNode& node) {
  notify([&](ShelfObserver& o) { o.nodeChanged(node); });
}

ShelfNode* Shelf::bookNode(long long bookId) const {
  for (auto& c : root_->children_)
    for (auto& b : c->children_)
      if (b->id_ == bookId) return b.get();
  return nullptr;
}

ShelfNode* Shelf::categoryByText(std::string_view name) const {
  for (auto& c : root_->children_)
    if (c->item_.name == name) return c.get();
  return nullptr;
}

// --- Drawing -----------------------------------------------------------------------------

void Shelf::drawbookpanel() {
  while (!root_->children_.empty()) removeNode(*root_->children_.back());
  if (!db_) return;
  struct Row {
    long long id;
    std::string name;
  };
  std::vector<Row> rows;
  {
    Statement st = db_->prepare("SELECT typeid,typename,paix FROM book_type ORDER BY paix,typeid");
    while (st.step()) rows.push_back({st.integer("typeid"), st.text("typename")});
    if (!st.ok()) return;
  }
  for (Row& r : rows) {
    TPItem item;
    item.id = std::to_string(r.id);
    item.name = std::move(r.name);
    ShelfNode* node = addNode(*root_, ShelfNode::kCategory, r.id, std::move(item));
    if (root_->children_.size() == 1) setExpanded(root_.get(), true);
    drawbookpanelx(r.id, node);
  }
}

void Shelf::drawbookpanelx(long long categoryId, const ShelfNode* categoryNode) {
  ShelfNode* cat = live(categoryNode);
  if (!db_ || !cat || !cat->isCategory()) return;
  Statement st = db_->prepare(
      "SELECT a.bookid,a.bookname,a.authorname,a.muluurl,a.downtype,a.paix,"
      "(SELECT count(*) FROM book_zhangjie b WHERE b.bookid=a.bookid AND b.readstate=0 "
      "AND b.shifuxianshi=1) AS noreadcount "
      "FROM book_list a WHERE a.typeid=? ORDER BY a.paix,a.bookid");
  st.bind(1, categoryId);
  while (st.step()) {
    const long long id = st.integer("bookid");
    TPItem item;
    item.id = std::to_string(id);
    item.name = st.text("bookname");
    item.author = st.text("authorname");
    item.muluurl = st.text("muluurl");
    item.downtype = static_cast<int>(st.integer("downtype"));
    item.unread = st.integer("noreadcount");
    addNode(*cat, ShelfNode::kBook, id, std::move(item));
  }
}

void Shelf::redrawbookx(long long bookId) { redrawbookx(bookId, nullptr); }

void Shelf::redrawbookx(long long bookId, const ShelfNode* node) {
  if (!db_) return;
  auto count = db_->queryInt(
      "SELECT count(*) FROM book_zhangjie WHERE bookid=? AND shifuxianshi>0 AND readstate=0",
      bookId);
  if (!count) return;
  redrawbook(bookId, *count, node);
}

void Shelf::redrawbook(long long bookId, long long count, const ShelfNode* node) {
  ShelfNode* n = live(node);
  if (!n || !n->isBook() || n->id_ != bookId) n = bookNode(bookId);
  if (!n) return;
  n->item_.unread = count;
  changed(*n);
}

void Shelf::setUpdating(long long bookId, bool updating) {
  ShelfNode* n = bookNode(bookId);
  if (!n || n->updating_ == updating) return;
  n->updating_ = updating;
  changed(*n);
}

// --- Lookup and order --------------------------------------------------------------------

const ShelfNode* Shelf::getbtn(std::string_view name) {
  if (ShelfNode* n = categoryByText(name)) return n;
  return newbookt_do(name);
}

const ShelfNode* Shelf::getbn(long long bookId) const { return bookNode(bookId); }

const ShelfNode* Shelf::findCategory(long long typeId) const {
  for (auto& c : root_->children_)
    if (c->id_ == typeId) return c.get();
  return nullptr;
}

std::vector<const ShelfNode*> Shelf::nodesInTreeOrder() const {
  std::vector<const ShelfNode*> out{root_.get()};
  for (auto& c : root_->children_) {
    out.push_back(c.get());
    for (auto& b : c->children_) out.push_back(b.get());
  }
  return out;
}

std::vector<const ShelfNode*> Shelf::booksInTreeOrder() const {
  std::vector<const ShelfNode*> out;
  for (auto& c : root_->children_)
    for (auto& b : c->children_) out.push_back(b.get());
  return out;
}

std::vector<std::string> Shelf::categoryNames() const {
  std::vector<std::string> out;
  for (auto& c : root_->children_) out.push_back(c->text());
  return out;
}

// --- Selection ---------------------------------------------------------------------------

void Shelf::select(const ShelfNode* node) {
  ShelfNode* n = live(node);
  if (n == selected_) return;
  selected_ = n;
  notify([&](ShelfObserver& o) { o.selectionChanged(n); });
}

std::string Shelf::selectedCategoryName() const {
  if (!selected_) return {};
  if (selected_->isCategory()) return selected_->text();
  if (selected_->isBook()) return selected_->parent_->text();
  return {};
}

void Shelf::setExpanded(const ShelfNode* node, bool expanded) {
  ShelfNode* n = live(node);
  if (!n || n->expanded_ == expanded) return;
  n->expanded_ = expanded;
  notify([&](ShelfObserver& o) { o.expandedChanged(*n); });
}

// --- Categories --------------------------------------------------------------------------

const ShelfNode* Shelf::newbookt_do(std::string_view name) {
  // A nameless category could never be chosen again in the new-novel dialog.
  if (!db_ || blank(name)) return nullptr;
  auto taken = rowExists(*db_, "SELECT typeid FROM book_type WHERE typename=?", name);
  if (!taken) return nullptr;
  if (*taken) {
    prompter_.tsxx(kDuplicateCategory);
    return nullptr;
  }
  auto order = nextCategoryOrder(*db_);
  if (!order) return nullptr;
  if (!db_->exec("INSERT INTO book_type (typename,paix) VALUES (?,?)", name, *order))
    return nullptr;
  const long long id = db_->lastInsertId();
  TPItem item;
  item.id = std::to_string(id);
  item.name = std::string(name);
  return addNode(*root_, ShelfNode::kCategory, id, std::move(item));
}

bool Shelf::editbookt_do(std::string_view name) {
  ShelfNode* target = live(editTarget_);
  if (!db_ || !target || !target->isCategory() || blank(name)) return false;
  auto taken = rowExists(*db_, "SELECT typeid FROM book_type WHERE typename=? AND typeid<>?", name,
                         target->id_);
  if (!taken) return false;
  if (*taken) {
    prompter_.tsxx(kDuplicateOtherCategory);
    return false;
  }
  if (!db_->exec("UPDATE book_type SET typename=? WHERE typeid=?", name, target->id_)) return false;
  target->item_.name = std::string(name);
  changed(*target);
  return true;
}

CategoryForm Shelf::newCategoryForm() {
  editTarget_ = nullptr;
  return CategoryForm{"新增小说分类", "确认添加", "", nullptr};
}

std::optional<CategoryForm> Shelf::editCategoryForm() {
  if (!selected_ || !selected_->isCategory()) {
    prompter_.tsxx(kNoCategorySelected);
    return std::nullopt;
  }
  editTarget_ = selected_;
  return CategoryForm{"修改小说分类", "确认修改", selected_->item_.name, selected_};
}

bool Shelf::categoryFormOk(std::string_view name) {
  if (blank(name)) return false;
  if (!editTarget_) return newbookt_do(name) != nullptr;
  return editbookt_do(name);
}

ShelfDeletion Shelf::delebookt(const ShelfNode* node) {
  ShelfDeletion result;
  ShelfNode* cat = live(node);
  if (!cat || !cat->isCategory()) {
    prompter_.tsxx(kNoCategorySelected);
    return result;
  }
  if (!prompter_.qrxx(kAskDeleteCategory) || !db_) return result;
  while (!cat->children_.empty()) {
    ShelfDeletion book = delebook(cat->children_.front().get(), false);
    result.currentBookCleared = result.currentBookCleared || book.currentBookCleared;
    // A book that cannot be deleted keeps its category, or its rows would be orphaned.
    if (!book.deleted) return result;
  }
  if (!db_->exec("DELETE FROM book_type WHERE typeid=?", cat->id_)) return result;
  removeNode(*cat);
  result.deleted = true;
  return result;
}

// --- Books -------------------------------------------------------------------------------

void Shelf::fillCategories(BookForm& form) const {
  form.categories = categoryNames();
  form.selectedCategory = form.categories.empty() ? -1 : 0;
}

BookForm Shelf::newbook(std::string_view bookName, std::string_view author,
                        std::string_view exactSearch, std::string_view address,
                        std::string_view categoryName) {
  editTarget_ = nullptr;
  BookForm form;
  fillCategories(form);
  form.caption = "新增小说";
  form.okCaption = "确认添加";
  form.showNoUpdate = false;
  form.bookName = std::string(bookName);
  form.author = std::string(author);
  auto it = std::find(form.categories.begin(), form.categories.end(), categoryName);
  if (it != form.categories.end())
    form.selectedCategory = static_cast<int>(it - form.categories.begin());
  form.address = std::string(address);
  if (!bookName.empty() && address.empty())
    form.searchType = "书名";
  else if (!author.empty() && address.empty())
    form.searchType = "作者";
  form.exactSearch = exactSearch == "1";
  return form;
}

std::optional<BookForm> Shelf::bookshuxing(const ShelfNode* node) {
  ShelfNode* book = live(node);
  if (!book || !book->isBook()) {
    prompter_.tsxx(kNoBookSelected);
    return std::nullopt;
  }
  editTarget_ = book;
  BookForm form;
  fillCategories(form);
  form.caption = "小说属性";
  form.okCaption = "确认修改";
  form.showNoUpdate = true;
  form.bookName = book->item_.name;
  form.author = book->item_.author;
  form.address = book->item_.muluurl;
  form.noUpdate = book->item_.downtype == 1;
  form.exactSearch = true;
  const std::string parentText = book->parent_->text();
  auto it = std::find(form.categories.begin(), form.categories.end(), parentText);
  if (it != form.categories.end())
    form.selectedCategory = static_cast<int>(it - form.categories.begin());
  form.editTarget = book;
  return form;
}

bool Shelf::bookFormOk(std::string_view bookName, std::string_view author, std::string_view address,
                       std::string_view categoryName, bool noUpdate) {
  if (blank(bookName) || blank(categoryName) || blank(address)) return false;
  if (editTarget_) return editbook_do(bookName, author, noUpdate ? 1 : 0, address, categoryName);
  return newbook_do(bookName, author, false, 0, address, categoryName) != nullptr;
}

std::optional<long long> Shelf::findBook(std::string_view bookName, std::string_view author,
                                         std::string_view address) const {
  if (!db_) return std::nullopt;
  return db_->queryInt(
      "SELECT bookid FROM book_list WHERE bookname=? AND authorname=? AND muluurl=?", bookName,
      author, address);
}

const ShelfNode* Shelf::newbook_do(std::string_view bookName, std::string_view author,
                                   bool duplicateCheck, int downtype, std::string_view address,
                                   std::string_view categoryName) {
  if (!db_) return nullptr;
  if (duplicateCheck && findBook(bookName, author, address)) return nullptr;
  ShelfNode* cat = live(getbtn(categoryName));
  if (!cat) return nullptr;
  auto order = nextBookOrder(*db_);
  if (!order) return nullptr;
  // The row carries the downtype the record gets, so the two never disagree.
  if (!db_->exec("INSERT INTO book_list (typeid,bookname,authorname,muluurl,downtype,paix) "
                 "VALUES (?,?,?,?,?,?)",
                 cat->id_, bookName, author, address, downtype, *order))
    return nullptr;
  const long long id = db_->lastInsertId();
  TPItem item;
  item.id = std::to_string(id);
  item.name = std::string(bookName);
  item.author = std::string(author);
  item.muluurl = std::string(address);
  item.downtype = downtype;
  ShelfNode* node = addNode(*cat, ShelfNode::kBook, id, std::move(item));
  select(node);
  if (!updates_.updateRunning()) updates_.startBookUpdate(id);
  return node;
}

bool Shelf::editbook_do(std::string_view bookName, std::string_view author, int downtype,
                        std::string_view address, std::string_view categoryName) {
  ShelfNode* book = live(editTarget_);
  if (!db_ || !book || !book->isBook()) return false;
  ShelfNode* cat = live(getbtn(categoryName));
  if (!cat) return false;
  const bool moves = book->parent_ != cat;
  {
    // The new properties and the new place in the order go in together.
    Transaction tx(*db_);
    if (!tx.active()) return false;
    if (!db_->exec("UPDATE book_list SET typeid=?,bookname=?,authorname=?,muluurl=?,downtype=? "
                   "WHERE bookid=?",
                   cat->id_, bookName, author, address, downtype, book->id_))
      return false;
    if (moves) {
      auto order = nextBookOrder(*db_);
      if (!order || !db_->exec("UPDATE book_list SET typeid=?,paix=? WHERE bookid=?", cat->id_,
                               *order, book->id_))
        return false;
    }
    if (!tx.commit()) return false;
  }
  book->item_.name = std::string(bookName);
  book->item_.author = std::string(author);
  book->item_.muluurl = std::string(address);
  book->item_.downtype = downtype;
  changed(*book);
  if (moves) moveNode(*book, *cat, cat->children_.size());
  return true;
}

ShelfDeletion Shelf::delebook(const ShelfNode* node, bool ask) {
  ShelfDeletion result;
  ShelfNode* book = live(node);
  if (!book || !book->isBook()) {
    prompter_.tsxx(kNoBookSelected);
    return result;
  }
  if (ask && !prompter_.qrxx(kAskDeleteBook)) return result;
  if (!db_) return result;
  const long long id = book->id_;
  if (book->image() == ShelfNode::kUpdatingImage) updates_.stopUpdate();
  if (current_.id == id) {
    current_.clear();
    result.currentBookCleared = true;
    notify([](ShelfObserver& o) { o.currentBookCleared(); });
  }
  {
    // Both or neither: chapters without their book would never be shown or deleted again.
    Transaction tx(*db_);
    if (!tx.active() || !db_->exec("DELETE FROM book_list WHERE bookid=?", id) ||
        !db_->exec("DELETE FROM book_zhangjie WHERE bookid=?", id) || !tx.commit())
      return result;
  }
  removeNode(*book);
  app::DeleteDir(dir_.path("book/" + std::to_string(id)));
  result.deleted = true;
  return result;
}

std::optional<std::string> Shelf::bookviewurl(const ShelfNode* node) {
  ShelfNode* book = live(node);
  if (!book || !book->isBook()) {
    prompter_.tsxx(kNoBookSelected);
    return std::nullopt;
  }
  return book->item_.muluurl;
}

ShelfDeletion Shelf::deleteSelected() {
  if (selected_ && selected_->isBook()) return delebook(selected_, true);
  return delebookt(selected_);
}

// --- Drag and drop -----------------------------------------------------------------------

bool Shelf::canDrag(const ShelfNode* node) const {
  const ShelfNode* n = live(node);
  return n && !n->isRoot();
}

bool Shelf::canDrop(const ShelfNode* dragged, const ShelfNode* target) const {
  const ShelfNode* d = live(dragged);
  const ShelfNode* t = live(target);
  if (!d || !t || d->isRoot() || t->isRoot()) return false;
  return t->level() <= d->level() && t != d && t != d->parent_;
}

std::optional<long long> Shelf::orderOf(const ShelfNode& node) const {
  if (node.isCategory())
    return db_->queryInt("SELECT paix FROM book_type WHERE typeid=?", node.id_);
  return db_->queryInt("SELECT paix FROM book_list WHERE bookid=?", node.id_);
}

bool Shelf::booktreemove(const ShelfNode* node, const ShelfNode* target) {
  if (!db_ || !canDrop(node, target)) return false;
  ShelfNode& n = *live(node);
  ShelfNode& t = *live(target);

  if (n.isBook() && t.isCategory()) {
    Transaction tx(*db_);
    auto order = tx.active() ? nextBookOrder(*db_) : std::nullopt;
    if (!order ||
        !db_->exec("UPDATE book_list SET typeid=?,paix=? WHERE bookid=?", t.id_, *order, n.id_) ||
        !tx.commit())
      return false;
    moveNode(n, t, t.children_.size());
    return true;
  }
  if (n.level() != t.level()) return false;

  // The moved item ends just before the target: moving down, the numbers strictly between
  // drop by one and it takes t-1; moving up, those from t up to s rise by one and it takes t.
  // Book numbers form one sequence over all categories, so the ranges span every book.
  Transaction tx(*db_);
  if (!tx.active()) return false;
  const auto s = orderOf(n);
  const auto to = orderOf(t);
  if (!s || !to) return false;
  bool ok;
  if (n.isCategory()) {
    if (*s < *to)
      ok = db_->exec("UPDATE book_type SET paix=paix-1 WHERE paix>? AND paix<?", *s, *to) &&
           db_->exec("UPDATE book_type SET paix=? WHERE typeid=?", *to - 1, n.id_);
    else
      ok = db_->exec("UPDATE book_type SET paix=paix+1 WHERE paix>=? AND paix<?", *to, *s) &&
           db_->exec("UPDATE book_type SET paix=? WHERE typeid=?", *to, n.id_);
  } else {
    const long long typeId = t.parent_->id_;
    if (*s < *to)
      ok = db_->exec("UPDATE book_list SET paix=paix-1 WHERE paix>? AND paix<?", *s, *to) &&
           db_->exec("UPDATE book_list SET paix=?,typeid=? WHERE bookid=?", *to - 1, typeId, n.id_);
    else
      ok = db_->exec("UPDATE book_list SET paix=paix+1 WHERE paix>=? AND paix<?", *to, *s) &&
           db_->exec("UPDATE book_list SET paix=?,typeid=? WHERE bookid=?", *to, typeId, n.id_);
  }
  if (!ok || !tx.commit()) return false;
  moveNode(n, *t.parent_, static_cast<std::size_t>(t.row()));
  return true;
}

}  // namespace mozhou::store
