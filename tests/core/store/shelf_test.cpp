#include "store/shelf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/program_fixture.h"

namespace mozhou::store {
namespace {

namespace fs = std::filesystem;
using testing::RecordingPrompter;
using testing::TempProgramDir;

constexpr const char* kAskDeleteCategory = "确实要删除当前分类？删除的同时将删除分类下所有小说！";
constexpr const char* kAskDeleteBook = "确认要删除当前小说？";

struct FakeUpdates : UpdateControl {
  bool running = false;
  std::vector<long long> started;
  int stops = 0;
  bool updateRunning() const override { return running; }
  void startBookUpdate(long long bookId) override {
    started.push_back(bookId);
    running = true;
  }
  void stopUpdate() override { ++stops; }
};

// Keeps its own copy of the tree from the notifications alone, the way a view would, so a
// test can check that the events describe the tree exactly (rows and move targets included).
struct MirrorObserver : ShelfObserver {
  std::map<const ShelfNode*, std::vector<const ShelfNode*>> children;
  int pendingRow = -1;
  std::vector<std::string> changed;
  std::vector<const ShelfNode*> selections;
  int expansions = 0;
  int currentCleared = 0;

  void nodeAdding(const ShelfNode&, int row) override { pendingRow = row; }
  void nodeAdded(const ShelfNode& node) override {
    auto& list = children[node.parent()];
    ASSERT_GE(pendingRow, 0);
    ASSERT_LE(static_cast<std::size_t>(pendingRow), list.size());
    list.insert(list.begin() + pendingRow, &node);
    pendingRow = -1;
  }
  void nodeChanged(const ShelfNode& node) override { changed.push_back(node.text()); }
  void nodeRemoving(const ShelfNode& node) override { children.erase(&node); }
  void nodeRemoved(const ShelfNode& parent, int row) override {
    auto& list = children[&parent];
    ASSERT_LT(static_cast<std::size_t>(row), list.size());
    list.erase(list.begin() + row);
  }
  void nodeMoving(const ShelfNode& node, const ShelfNode& newParent, int beforeRow) override {
    auto& from = children[node.parent()];
    const int row = node.row();
    ASSERT_EQ(from[static_cast<std::size_t>(row)], &node);
    from.erase(from.begin() + row);
    if (node.parent() == &newParent && beforeRow > row) --beforeRow;
    auto& to = children[&newParent];
    to.insert(to.begin() + beforeRow, &node);
  }
  void selectionChanged(const ShelfNode* selected) override { selections.push_back(selected); }
  void expandedChanged(const ShelfNode&) override { ++expansions; }
  void currentBookCleared() override { ++currentCleared; }

  void expectMatches(const ShelfNode& node) {
    std::vector<const ShelfNode*> actual;
    for (std::size_t i = 0; i < node.childCount(); ++i) actual.push_back(node.child(i));
    EXPECT_EQ(children[&node], actual) << "children of " << node.text();
    for (const ShelfNode* c : actual) expectMatches(*c);
  }
};

class ShelfTest : public ::testing::Test {
 protected:
  long long category(const std::string& name, long long paix) {
    EXPECT_TRUE(db->exec("INSERT INTO book_type (typename,paix) VALUES (?,?)", name, paix));
    return db->lastInsertId();
  }
  long long book(long long typeId, const std::string& name, long long paix, int downtype = 0,
                 const std::string& author = "", const std::string& url = "") {
    EXPECT_TRUE(db->exec(
        "INSERT INTO book_list (typeid,bookname,authorname,muluurl,downtype,paix) "
        "VALUES (?,?,?,?,?,?)",
        typeId, name, author, url.empty() ? "http://x.test/" + name : url, downtype, paix));
    return db->lastInsertId();
  }
  void chapters(long long bookId, int count, int readstate = 0, int shown = 1) {
    for (int i = 0; i < count; ++i)
      EXPECT_TRUE(
          db->exec("INSERT INTO book_zhangjie (bookid,zhangjiename,zhangjieurl,paix,readstate,"
                   "shifuxianshi) VALUES (?,'c','u',1,?,?)",
                   bookId, readstate, shown));
  }

  Shelf& open() {
    shelf = std::make_unique<Shelf>(db.get(), tmp.dir(), prompter, updates, current);
    shelf->addObserver(&mirror);
    shelf->drawbookpanel();
    return *shelf;
  }

  // The tree as "level:text", bold books marked with "*".
  std::vector<std::string> tree() const {
    std::vector<std::string> out;
    for (const ShelfNode* n : shelf->nodesInTreeOrder())
      out.push_back(std::to_string(n->level()) + ":" + n->text() + (n->bold() ? "*" : ""));
    return out;
  }
  const ShelfNode* cat(const std::string& name) const {
    for (std::size_t i = 0; i < shelf->root().childCount(); ++i)
      if (shelf->root().child(i)->text() == name) return shelf->root().child(i);
    return nullptr;
  }
  std::map<std::string, long long> orders(const char* table, const char* nameColumn) {
    std::map<std::string, long long> out;
    Statement st = db->prepare(std::string("SELECT ") + nameColumn + ",paix FROM " + table);
    while (st.step()) out[st.text(0)] = st.integer(1);
    return out;
  }
  long long count(const std::string& sql) { return db->queryInt(sql).value_or(-1); }

  TempProgramDir tmp;
  std::unique_ptr<Database> db = tmp.open();
  RecordingPrompter prompter;
  FakeUpdates updates;
  CurrentBook current;
  MirrorObserver mirror;
  std::unique_ptr<Shelf> shelf;
};

TEST_F(ShelfTest, EmptyDatabaseShowsOnlyTheRoot) {
  open();
  EXPECT_EQ(tree(), std::vector<std::string>{"0:我的书架"});
  EXPECT_EQ(shelf->root().image(), 0);
  EXPECT_FALSE(shelf->root().expanded());
  // A first category of this run goes under the root, which stays collapsed.
  ASSERT_NE(shelf->newbookt_do("玄幻"), nullptr);
  EXPECT_EQ(tree(), (std::vector<std::string>{"0:我的书架", "1:玄幻"}));
  EXPECT_FALSE(shelf->root().expanded());
  EXPECT_EQ(orders("book_type", "typename"), (std::map<std::string, long long>{{"玄幻", 1}}));
  mirror.expectMatches(shelf->root());
}

TEST_F(ShelfTest, WithoutADatabaseEveryOperationFailsQuietly) {
  Shelf s(nullptr, tmp.dir(), prompter, updates, current);
  s.drawbookpanel();
  EXPECT_EQ(s.root().childCount(), 0u);
  EXPECT_EQ(s.newbookt_do("玄幻"), nullptr);
  EXPECT_EQ(s.getbtn("玄幻"), nullptr);
  EXPECT_EQ(s.newbook_do("书", "", true, 0, "http://x/", "玄幻"), nullptr);
  EXPECT_FALSE(s.categoryFormOk("玄幻"));
  s.redrawbookx(1);
  EXPECT_TRUE(s.booksInTreeOrder().empty());
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_TRUE(updates.started.empty());
}

TEST_F(ShelfTest, DrawsCategoriesAndBooksByOrderWithUnreadCounts) {
  const long long b = category("乙", 1);  // ids deliberately out of display order
  const long long a = category("甲", 5);
  const long long late = book(a, "后", 9, 1, "作者", "http://x.test/9");
  const long long early = book(a, "前", 2);
  const long long other = book(b, "另", 3);
  chapters(early, 3);                   // unread and shown
  chapters(early, 2, /*readstate=*/1);  // read
  chapters(early, 4, 0, /*shown=*/0);   // filtered out
  chapters(late, 1, 1);
  open();
  EXPECT_EQ(tree(),
            (std::vector<std::string>{"0:我的书架", "1:乙", "2:另", "1:甲", "2:前(3)*", "2:后"}));
  EXPECT_TRUE(shelf->root().expanded());
  EXPECT_FALSE(cat("甲")->expanded());
  std::vector<long long> ids;
  for (const ShelfNode* n : shelf->booksInTreeOrder()) ids.push_back(n->id());
  EXPECT_EQ(ids, (std::vector<long long>{other, early, late}));
  const ShelfNode* n = shelf->getbn(late);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->item().id, std::to_string(late));
  EXPECT_EQ(n->item().author, "作者");
  EXPECT_EQ(n->item().muluurl, "http://x.test/9");
  EXPECT_EQ(n->item().downtype, 1);
  EXPECT_EQ(n->image(), 2);
  EXPECT_EQ(cat("甲")->image(), 1);
  EXPECT_EQ(cat("甲")->item().id, std::to_string(a));
  EXPECT_EQ(shelf->getbn(early)->item().unread, 3);
  EXPECT_EQ(shelf->categoryNames(), (std::vector<std::string>{"乙", "甲"}));
  mirror.expectMatches(shelf->root());
}

TEST_F(ShelfTest, RecountShowsTheBareNameOnceEverythingIsRead) {
  const long long c = category("甲", 1);
  const long long id = book(c, "书", 1);
  chapters(id, 3);
  open();
  EXPECT_EQ(shelf->getbn(id)->text(), "书(3)");
  EXPECT_TRUE(shelf->getbn(id)->bold());
  ASSERT_TRUE(db->exec("UPDATE book_zhangjie SET readstate=1 WHERE bookid=?", id));
  shelf->redrawbookx(id);
  EXPECT_EQ(shelf->getbn(id)->text(), "书");
  EXPECT_FALSE(shelf->getbn(id)->bold());
  EXPECT_EQ(mirror.changed, std::vector<std::string>{"书"});

  shelf->redrawbook(id, 7);
  EXPECT_EQ(shelf->getbn(id)->text(), "书(7)");
  shelf->setUpdating(id, true);
  EXPECT_EQ(shelf->getbn(id)->image(), 3);
  EXPECT_EQ(shelf->getbn(id)->selectedImage(), 3);
  shelf->setUpdating(id, false);
  EXPECT_EQ(shelf->getbn(id)->image(), 2);
}

TEST_F(ShelfTest, CategoryNamesStayUnique) {
  category("甲", 1);
  category("乙", 2);
  open();
  // Adding through the dialog: a taken name keeps the dialog open with the message.
  CategoryForm add = shelf->newCategoryForm();
  EXPECT_EQ(add.caption, "新增小说分类");
  EXPECT_EQ(add.okCaption, "确认添加");
  EXPECT_EQ(add.editTarget, nullptr);
  EXPECT_FALSE(shelf->categoryFormOk("甲"));
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"分类名称重复!"});
  EXPECT_FALSE(shelf->categoryFormOk("  "));  // blank: nothing, silently
  EXPECT_EQ(prompter.messages.size(), 1u);
  EXPECT_TRUE(shelf->categoryFormOk("丙"));
  EXPECT_EQ(count("SELECT count(*) FROM book_type"), 3);

  // Renaming.
  struct Case {
    std::string name;
    bool closes;
    const char* message;
  };
  const Case cases[] = {
      {"乙", false, "分类名称与其他分类重复!"}, {"甲", true, nullptr}, {"丁", true, nullptr}};
  for (const Case& c : cases) {
    prompter.messages.clear();
    shelf->select(shelf->root().child(0));
    auto form = shelf->editCategoryForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->caption, "修改小说分类");
    EXPECT_EQ(form->okCaption, "确认修改");
    EXPECT_EQ(form->editTarget, shelf->root().child(0));
    EXPECT_EQ(shelf->categoryFormOk(c.name), c.closes) << c.name;
    EXPECT_EQ(prompter.messages,
              c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    const std::string expected = c.closes ? c.name : form->name;
    EXPECT_EQ(shelf->root().child(0)->text(), expected);
    EXPECT_EQ(db->queryInt("SELECT count(*) FROM book_type WHERE typename=?", expected), 1);
  }
  EXPECT_EQ(orders("book_type", "typename"),
            (std::map<std::string, long long>{{"丁", 1}, {"乙", 2}, {"丙", 3}}));
}

TEST_F(ShelfTest, RenamingNeedsASelectedCategory) {
  const long long c = category("甲", 1);
  const long long b = book(c, "书", 1);
  open();
  shelf->bookshuxing(shelf->getbn(b));  // leaves the book as edit target
  for (const ShelfNode* selection :
       {static_cast<const ShelfNode*>(nullptr), &shelf->root(), shelf->getbn(b)}) {
    prompter.messages.clear();
    shelf->select(selection);
    EXPECT_FALSE(shelf->editCategoryForm());
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"当前未选中小说分类!"});
    EXPECT_EQ(shelf->editTarget(), shelf->getbn(b));
  }
}

TEST_F(ShelfTest, DeletingACategoryDeletesItsBooksAndTheirFiles) {
  const long long doomed = category("甲", 1);
  const long long kept = category("乙", 2);
  const long long b1 = book(doomed, "一", 1);
  const long long b2 = book(doomed, "二", 2);
  const long long b3 = book(kept, "三", 3);
  for (long long b : {b1, b2, b3}) {
    chapters(b, 2);
    tmp.write("book/" + std::to_string(b) + "/1.txt", "text");
    tmp.write("book/" + std::to_string(b) + "/1/0.jpg", "pic");
  }
  current.id = b2;
  current.name = "二";
  open();

  prompter.answers = {false};
  EXPECT_FALSE(shelf->delebookt(cat("甲")).deleted);
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 3);

  prompter.questions.clear();
  shelf->select(cat("甲"));
  ShelfDeletion d = shelf->deleteSelected();  // the Delete key on a category
  EXPECT_TRUE(d.deleted);
  EXPECT_TRUE(d.currentBookCleared);
  EXPECT_EQ(prompter.questions, std::vector<std::string>{kAskDeleteCategory});
  EXPECT_FALSE(current.isSet());
  EXPECT_EQ(mirror.currentCleared, 1);
  EXPECT_EQ(tree(), (std::vector<std::string>{"0:我的书架", "1:乙", "2:三(2)*"}));
  EXPECT_EQ(shelf->selected(), nullptr);
  EXPECT_EQ(count("SELECT count(*) FROM book_type"), 1);
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 1);
  EXPECT_EQ(count("SELECT count(*) FROM book_zhangjie"), 2);
  EXPECT_FALSE(fs::exists(tmp.path() / "book" / std::to_string(b1)));
  EXPECT_FALSE(fs::exists(tmp.path() / "book" / std::to_string(b2)));
  EXPECT_TRUE(fs::exists(tmp.path() / "book" / std::to_string(b3) / "1.txt"));
  mirror.expectMatches(shelf->root());

  prompter.messages.clear();
  shelf->select(shelf->getbn(b3));
  EXPECT_FALSE(shelf->delebookt(shelf->selected()).deleted);
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"当前未选中小说分类!"});
}

// Every kind of drop, with the order numbers it must leave behind.
TEST_F(ShelfTest, DropsReorderWithTheirOrderNumbers) {
  using Orders = std::map<std::string, long long>;
  struct Case {
    const char* what;
    const char* dragged;
    const char* target;
    Orders categories;
    Orders books;
    std::vector<std::string> tree;
  };
  const Case cases[] = {
      {"first of five categories onto the fourth",
       "A",
       "D",
       {{"A", 3}, {"B", 1}, {"C", 2}, {"D", 4}, {"E", 5}},
       {},
       {"B", "C", "A", "D", "E"}},
      {"last category onto the second",
       "E",
       "B",
       {{"A", 1}, {"B", 3}, {"C", 4}, {"D", 5}, {"E", 2}},
       {},
       {"A", "E", "B", "C", "D"}},
      {"book down onto a book of another category",
       "a1",
       "b2",
       {},
       {{"a1", 4}, {"a2", 1}, {"a3", 2}, {"b1", 3}, {"b2", 5}},
       {"A", "a2", "a3", "B", "b1", "a1", "b2"}},
      {"book up onto a book of another category",
       "b2",
       "a2",
       {},
       {{"a1", 1}, {"a2", 3}, {"a3", 4}, {"b1", 5}, {"b2", 2}},
       {"A", "a1", "b2", "a2", "a3", "B", "b1"}},
      {"book down within its category",
       "a1",
       "a3",
       {},
       {{"a1", 2}, {"a2", 1}, {"a3", 3}, {"b1", 4}, {"b2", 5}},
       {"A", "a2", "a1", "a3", "B", "b1", "b2"}},
      {"book onto another category is appended",
       "a1",
       "B",
       {},
       {{"a1", 6}, {"a2", 2}, {"a3", 3}, {"b1", 4}, {"b2", 5}},
       {"A", "a2", "a3", "B", "b1", "b2", "a1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempProgramDir dir;
    db = dir.open();
    const bool categories = !c.categories.empty();
    if (categories) {
      for (const char* n : {"A", "B", "C", "D", "E"}) category(n, n[0] - 'A' + 1);
    } else {
      const long long a = category("A", 1);
      const long long b = category("B", 2);
      long long paix = 0;
      for (const char* n : {"a1", "a2", "a3"}) book(a, n, ++paix);
      for (const char* n : {"b1", "b2"}) book(b, n, ++paix);
      chapters(1, 2);  // a1 has unread chapters and stays bold wherever it goes
    }
    shelf = std::make_unique<Shelf>(db.get(), dir.dir(), prompter, updates, current);
    mirror = MirrorObserver{};
    shelf->addObserver(&mirror);
    shelf->drawbookpanel();
    auto find = [&](const std::string& text) -> const ShelfNode* {
      for (const ShelfNode* n : shelf->nodesInTreeOrder())
        if (n->item().name == text) return n;
      return nullptr;
    };
    const ShelfNode* dragged = find(c.dragged);
    ASSERT_TRUE(shelf->canDrop(dragged, find(c.target)));
    ASSERT_TRUE(shelf->booktreemove(dragged, find(c.target)));
    if (categories)
      EXPECT_EQ(orders("book_type", "typename"), c.categories);
    else
      EXPECT_EQ(orders("book_list", "bookname"), c.books);
    std::vector<std::string> names;
    for (const ShelfNode* n : shelf->nodesInTreeOrder())
      if (!n->isRoot()) names.push_back(n->item().name);
    EXPECT_EQ(names, c.tree);
    mirror.expectMatches(shelf->root());
    if (!categories) {
      EXPECT_TRUE(find("a1")->bold());
      // The category in the database follows the node.
      for (const ShelfNode* b : shelf->booksInTreeOrder())
        EXPECT_EQ(db->queryInt("SELECT typeid FROM book_list WHERE bookid=?", b->id()),
                  b->parent()->id())
            << b->item().name;
    }
    shelf.reset();
    db.reset();
  }
}

TEST_F(ShelfTest, DropAcceptance) {
  const long long a = category("A", 1);
  const long long b = category("B", 2);
  book(a, "a1", 1);
  book(a, "a2", 2);
  book(b, "b1", 3);
  open();
  auto n = [&](const std::string& name) -> const ShelfNode* {
    for (const ShelfNode* x : shelf->nodesInTreeOrder())
      if (x->text() == name) return x;
    return nullptr;
  };
  struct Case {
    const char* dragged;
    const char* target;
    bool accepted;
  };
  const Case cases[] = {
      {"A", "B", true},          {"A", "A", false},        {"A", "a1", false},
      {"A", "我的书架", false},  {"a1", "B", true},        {"a1", "A", false},
      {"a1", "a2", true},        {"a1", "b1", true},       {"a1", "a1", false},
      {"a1", "我的书架", false}, {"我的书架", "A", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shelf->canDrop(n(c.dragged), n(c.target)), c.accepted)
        << c.dragged << " onto " << c.target;
    if (!c.accepted) {
      EXPECT_FALSE(shelf->booktreemove(n(c.dragged), n(c.target)));
    }
  }
  EXPECT_FALSE(shelf->canDrag(&shelf->root()));
  EXPECT_TRUE(shelf->canDrag(n("a1")));
  EXPECT_TRUE(shelf->canDrag(n("A")));
  EXPECT_EQ(orders("book_list", "bookname"),
            (std::map<std::string, long long>{{"a1", 1}, {"a2", 2}, {"b1", 3}}));
  EXPECT_EQ(orders("book_type", "typename"),
            (std::map<std::string, long long>{{"A", 1}, {"B", 2}}));
}

TEST_F(ShelfTest, NewBookChecksDuplicatesAndStartsOneUpdate) {
  const long long a = category("甲", 1);
  book(a, "旧", 7);
  open();
  const ShelfNode* first = shelf->newbook_do("新书", "某人", true, 0, "http://x.test/1", "甲");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->parent(), cat("甲"));
  EXPECT_EQ(first->row(), 1);
  EXPECT_EQ(shelf->selected(), first);
  EXPECT_EQ(mirror.selections.back(), first);
  EXPECT_EQ(updates.started, std::vector<long long>{first->id()});
  EXPECT_EQ(db->queryInt("SELECT paix FROM book_list WHERE bookid=?", first->id()), 8);
  EXPECT_EQ(db->queryInt("SELECT downtype FROM book_list WHERE bookid=?", first->id()), 0);
  EXPECT_EQ(shelf->findBook("新书", "某人", "http://x.test/1"), first->id());

  // The same novel again adds nothing when the check is on; the dialog's path adds it anyway.
  EXPECT_EQ(shelf->newbook_do("新书", "某人", true, 0, "http://x.test/1", "甲"), nullptr);
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 2);
  // A different address is a different novel. An update runs, so no second one starts.
  const ShelfNode* second = shelf->newbook_do("新书", "某人", true, 0, "http://y.test/", "新类");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->parent()->text(), "新类");  // created silently
  EXPECT_EQ(updates.started.size(), 1u);
  shelf->select(nullptr);
  EXPECT_TRUE(shelf->bookFormOk("新书", "某人", "http://x.test/1", "甲", false));
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 4);
  EXPECT_EQ(db->queryInt("SELECT typeid FROM book_list WHERE bookid=?", second->id()),
            second->parent()->id());
  EXPECT_TRUE(prompter.messages.empty());
  mirror.expectMatches(shelf->root());

  // A category that the database has but the tree does not cannot be made: nothing is added.
  category("幽灵", 9);
  EXPECT_EQ(shelf->newbook_do("别的", "", true, 0, "http://z.test/", "幽灵"), nullptr);
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"分类名称重复!"});
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 4);

  // The dialog's OK needs a name, a category and an address.
  EXPECT_FALSE(shelf->bookFormOk(" ", "", "http://q/", "甲", false));
  EXPECT_FALSE(shelf->bookFormOk("书", "", " ", "甲", false));
  EXPECT_FALSE(shelf->bookFormOk("书", "", "http://q/", "", false));
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 4);
}

TEST_F(ShelfTest, DeletingABookStopsItsUpdateAndClearsTheCurrentBook) {
  const long long a = category("甲", 1);
  const long long running = book(a, "更新中", 1);
  const long long idle = book(a, "闲", 2);
  const long long missingDir = book(a, "无目录", 3);
  chapters(running, 3);
  chapters(idle, 1);
  tmp.write("book/" + std::to_string(running) + "/5.txt", "text");
  open();
  shelf->setUpdating(running, true);
  current.id = running;

  prompter.answers = {false};
  EXPECT_FALSE(shelf->delebook(shelf->getbn(running)).deleted);
  EXPECT_EQ(updates.stops, 0);
  EXPECT_TRUE(current.isSet());

  prompter.questions.clear();
  ShelfDeletion d = shelf->delebook(shelf->getbn(running));
  EXPECT_TRUE(d.deleted);
  EXPECT_TRUE(d.currentBookCleared);
  EXPECT_EQ(prompter.questions, std::vector<std::string>{kAskDeleteBook});
  EXPECT_EQ(updates.stops, 1);
  EXPECT_FALSE(current.isSet());
  EXPECT_EQ(mirror.currentCleared, 1);
  EXPECT_EQ(shelf->getbn(running), nullptr);
  EXPECT_EQ(count("SELECT count(*) FROM book_zhangjie WHERE bookid=" + std::to_string(running)), 0);
  EXPECT_FALSE(fs::exists(tmp.path() / "book" / std::to_string(running)));

  // Not updating, not current, asked nothing, no directory: rows and node still go.
  current.id = idle;
  prompter.questions.clear();
  d = shelf->delebook(shelf->getbn(missingDir), false);
  EXPECT_TRUE(d.deleted);
  EXPECT_FALSE(d.currentBookCleared);
  EXPECT_TRUE(prompter.questions.empty());
  EXPECT_EQ(updates.stops, 1);
  EXPECT_EQ(current.id, idle);
  EXPECT_EQ(count("SELECT count(*) FROM book_list"), 1);
  mirror.expectMatches(shelf->root());

  for (const ShelfNode* notABook : {static_cast<const ShelfNode*>(nullptr), cat("甲")}) {
    prompter.messages.clear();
    EXPECT_FALSE(shelf->delebook(notABook).deleted);
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"当前没有选中小说!"});
  }
}

TEST_F(ShelfTest, EditingABookCanMoveItToAnotherCategory) {
  const long long a = category("甲", 1);
  const long long b = category("乙", 2);
  const long long moved = book(a, "书", 1, 0, "旧作者", "http://old/");
  book(b, "别", 2);
  chapters(moved, 2);
  open();
  auto form = shelf->bookshuxing(shelf->getbn(moved));
  ASSERT_TRUE(form);
  EXPECT_TRUE(shelf->bookFormOk("新名", "新作者", "http://new/", "乙", true));
  const ShelfNode* n = shelf->getbn(moved);
  EXPECT_EQ(n->parent(), cat("乙"));
  EXPECT_EQ(n->row(), 1);
  EXPECT_EQ(n->text(), "新名(2)");
  EXPECT_TRUE(n->bold());
  EXPECT_EQ(n->item().author, "新作者");
  EXPECT_EQ(n->item().muluurl, "http://new/");
  EXPECT_EQ(n->item().downtype, 1);
  Statement st = db->prepare("SELECT * FROM book_list WHERE bookid=?");
  st.bind(1, moved);
  ASSERT_TRUE(st.step());
  EXPECT_EQ(st.integer("typeid"), b);
  EXPECT_EQ(st.text("bookname"), "新名");
  EXPECT_EQ(st.text("authorname"), "新作者");
  EXPECT_EQ(st.text("muluurl"), "http://new/");
  EXPECT_EQ(st.integer("downtype"), 1);
  EXPECT_EQ(st.integer("paix"), 3);  // appended after every book

  // Into a category that does not exist yet.
  ASSERT_TRUE(shelf->bookshuxing(n));
  EXPECT_TRUE(shelf->editbook_do("新名", "新作者", 0, "http://new/", "丙"));
  EXPECT_EQ(shelf->getbn(moved)->parent()->text(), "丙");
  EXPECT_EQ(db->queryInt("SELECT typeid FROM book_list WHERE bookid=?", moved),
            shelf->getbn(moved)->parent()->id());
  mirror.expectMatches(shelf->root());

  // Without an edit target nothing is stored.
  shelf->newbook("", "", "", "", "");
  EXPECT_FALSE(shelf->editbook_do("x", "", 0, "http://x/", "甲"));
}

TEST_F(ShelfTest, PropertiesFormShowsTheBooksOwnValues) {
  const long long a = category("甲", 1);
  const long long b = category("乙", 2);
  const long long stopped = book(b, "停", 1, 1, "甲作者", "http://stop/");
  const long long normal = book(a, "常", 2, 0, "", "http://normal/");
  open();
  auto first = shelf->bookshuxing(shelf->getbn(stopped));
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->noUpdate);
  EXPECT_EQ(first->selectedCategory, 1);
  auto form = shelf->bookshuxing(shelf->getbn(normal));
  ASSERT_TRUE(form);
  EXPECT_EQ(form->caption, "小说属性");
  EXPECT_EQ(form->okCaption, "确认修改");
  EXPECT_EQ(form->categories, (std::vector<std::string>{"甲", "乙"}));
  EXPECT_EQ(form->selectedCategory, 0);
  EXPECT_EQ(form->bookName, "常");
  EXPECT_EQ(form->author, "");
  EXPECT_EQ(form->address, "http://normal/");
  EXPECT_TRUE(form->showNoUpdate);
  EXPECT_FALSE(form->noUpdate);
  EXPECT_TRUE(form->exactSearch);
  EXPECT_FALSE(form->startsSearch());
  EXPECT_EQ(shelf->editTarget(), shelf->getbn(normal));

  prompter.messages.clear();
  EXPECT_FALSE(shelf->bookshuxing(cat("甲")));
  EXPECT_FALSE(shelf->bookviewurl(&shelf->root()));
  EXPECT_EQ(prompter.messages,
            (std::vector<std::string>{"当前没有选中小说!", "当前没有选中小说!"}));
  EXPECT_EQ(shelf->bookviewurl(shelf->getbn(stopped)), "http://stop/");
}

TEST_F(ShelfTest, NewNovelFormPreparation) {
  category("甲", 1);
  const long long b = category("乙", 2);
  const long long id = book(b, "书", 1);
  open();
  struct Case {
    const char *name, *author, *exact, *address, *category;
    const char* searchType;
    int selected;
  };
  const Case cases[] = {
      {"书名", "", "1", "", "乙", "书名", 1},
      {"书名", "作者", "0", "", "", "书名", 0},
      {"", "作者", "", "", "无此类", "作者", 0},
      {"书名", "作者", "", "http://a/", "乙", "", 1},
      {"", "", "", "", "", "", 0},
  };
  for (const Case& c : cases) {
    shelf->bookshuxing(shelf->getbn(id));
    BookForm f = shelf->newbook(c.name, c.author, c.exact, c.address, c.category);
    EXPECT_EQ(f.caption, "新增小说");
    EXPECT_EQ(f.okCaption, "确认添加");
    EXPECT_FALSE(f.showNoUpdate);
    EXPECT_EQ(f.bookName, c.name);
    EXPECT_EQ(f.author, c.author);
    EXPECT_EQ(f.address, c.address);
    EXPECT_EQ(f.searchType, c.searchType) << c.name << "/" << c.author;
    EXPECT_EQ(f.exactSearch, std::string(c.exact) == "1");
    EXPECT_EQ(f.selectedCategory, c.selected);
    EXPECT_EQ(shelf->editTarget(), nullptr);
  }
  shelf->select(shelf->getbn(id));
  EXPECT_EQ(shelf->selectedCategoryName(), "乙");
}

}  // namespace
}  // namespace mozhou::store
