#pragma once
// The bookshelf tree ("我的书架"): the root, the categories and their books, each node with
// its record. Every operation changes the database and the tree together and reports the
// change to the observers; messages and questions go through the Prompter. Without a
// database every operation fails quietly and the tree holds only the root.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/program_dir.h"
#include "app/prompter.h"
#include "store/current_book.h"
#include "store/database.h"
#include "store/shelf_forms.h"
#include "store/shelf_node.h"
#include "store/update_control.h"

namespace mozhou::store {

inline constexpr const char* kShelfRootText = "我的书架";

// What a deletion did; the window switches to "我的书架" when the current book went.
struct ShelfDeletion {
  bool deleted = false;
  bool currentBookCleared = false;
};

class Shelf {
 public:
  // The database, prompter, update control and current book belong to the caller and must
  // outlive the shelf. `db` may be null.
  Shelf(Database* db, app::ProgramDir dir, app::Prompter& prompter, UpdateControl& updates,
        CurrentBook& current);
  ~Shelf();
  Shelf(const Shelf&) = delete;
  Shelf& operator=(const Shelf&) = delete;

  void setDatabase(Database* db) { db_ = db; }
  void addObserver(ShelfObserver* observer);
  void removeObserver(ShelfObserver* observer);

  const ShelfNode& root() const { return *root_; }
  // Whether `node` is a live node of this tree.
  bool contains(const ShelfNode* node) const;

  // --- Drawing -------------------------------------------------------------------------
  // Builds the tree from the database: categories by paix, each with its books by paix.
  // The root is expanded when there is a category.
  void drawbookpanel();
  // Appends the books of one category to its node.
  void drawbookpanelx(long long categoryId, const ShelfNode* categoryNode);
  // Recounts a book's unread shown chapters and redraws its node.
  void redrawbookx(long long bookId);
  void redrawbookx(long long bookId, const ShelfNode* node);
  // Redraws a book's node with a known count (node found by id when none is given).
  void redrawbook(long long bookId, long long count, const ShelfNode* node = nullptr);
  // Image 3 while the update worker works on the book, 2 otherwise.
  void setUpdating(long long bookId, bool updating);

  // --- Lookup and order ----------------------------------------------------------------
  // The first category whose text is `name`; created (silently) when there is none.
  const ShelfNode* getbtn(std::string_view name);
  // The first book node whose id is bookId.
  const ShelfNode* getbn(long long bookId) const;
  const ShelfNode* findCategory(long long typeId) const;
  // Every node, root first, each category followed by its books.
  std::vector<const ShelfNode*> nodesInTreeOrder() const;
  // Every book in display order (categories by paix, books by paix).
  std::vector<const ShelfNode*> booksInTreeOrder() const;
  // The texts of every category node, in tree order.
  std::vector<std::string> categoryNames() const;

  // --- Selection -----------------------------------------------------------------------
  const ShelfNode* selected() const { return selected_; }
  void select(const ShelfNode* node);
  // The selected category, or the category of the selected book, or empty.
  std::string selectedCategoryName() const;
  void setExpanded(const ShelfNode* node, bool expanded);
  // The node the category dialog or the new-novel dialog is editing; none when adding.
  const ShelfNode* editTarget() const { return editTarget_; }

  // --- Categories ----------------------------------------------------------------------
  // Adds a category at the end. Shows "分类名称重复!" when the name is taken.
  const ShelfNode* newbookt_do(std::string_view name);
  // Renames the edit target. Shows "分类名称与其他分类重复!" when another has the name.
  bool editbookt_do(std::string_view name);
  // "新增分类": the dialog for a new category; clears the edit target.
  CategoryForm newCategoryForm();
  // "修改分类": the dialog for the selected category, which becomes the edit target;
  // nullopt (after "当前未选中小说分类!") when no category is selected.
  std::optional<CategoryForm> editCategoryForm();
  // The category dialog's OK: true when the dialog closes.
  bool categoryFormOk(std::string_view name);
  // "删除分类": asks, then deletes the category's books (as delebook without question)
  // and the category.
  ShelfDeletion delebookt(const ShelfNode* node);

  // --- Books ---------------------------------------------------------------------------
  // "新增小说": the new-novel dialog with these values (any may be empty); clears the edit
  // target. exactSearch "1" ticks "准确搜索".
  BookForm newbook(std::string_view bookName, std::string_view author, std::string_view exactSearch,
                   std::string_view address, std::string_view categoryName);
  // "小说属性": the dialog for a book, which becomes the edit target; nullopt (after
  // "当前没有选中小说!") when the node is not a book.
  std::optional<BookForm> bookshuxing(const ShelfNode* node);
  // The new-novel dialog's OK: edits the edit target or adds a new book. Nothing happens
  // unless name, address and category are non-empty after trimming. True when it closes.
  bool bookFormOk(std::string_view bookName, std::string_view author, std::string_view address,
                  std::string_view categoryName, bool noUpdate);
  // The id of a book with exactly this name, author and address.
  std::optional<long long> findBook(std::string_view bookName, std::string_view author,
                                    std::string_view address) const;
  // Adds a book at the end of its category (created when missing), selects it and starts
  // an update for it when none runs. Null when nothing was added (also for a duplicate).
  const ShelfNode* newbook_do(std::string_view bookName, std::string_view author,
                              bool duplicateCheck, int downtype, std::string_view address,
                              std::string_view categoryName);
  // Stores the edited properties of the edit target, moving it to another category if asked.
  bool editbook_do(std::string_view bookName, std::string_view author, int downtype,
                   std::string_view address, std::string_view categoryName);
  // Deletes a book: its rows, its node and its directory "book/<id>/".
  ShelfDeletion delebook(const ShelfNode* node, bool ask = true);
  // "访问网页": the address to open; nullopt (after "当前没有选中小说!") without a book.
  std::optional<std::string> bookviewurl(const ShelfNode* node);
  // The Delete key: delete the selected book, or else the selected category.
  ShelfDeletion deleteSelected();

  // --- Drag and drop -------------------------------------------------------------------
  bool canDrag(const ShelfNode* node) const;
  bool canDrop(const ShelfNode* dragged, const ShelfNode* target) const;
  // Moves a category before a category, a book before a book (into its category) or a book
  // to the end of a category. False when the drop is not accepted or the database fails.
  bool booktreemove(const ShelfNode* node, const ShelfNode* target);

 private:
  ShelfNode* live(const ShelfNode* node) const;
  ShelfNode* addNode(ShelfNode& parent, int level, long long id, TPItem item);
  void removeNode(ShelfNode& node);
  void moveNode(ShelfNode& node, ShelfNode& newParent, std::size_t beforeRow);
  void changed(const ShelfNode& node);
  ShelfNode* bookNode(long long bookId) const;
  ShelfNode* categoryByText(std::string_view name) const;
  void fillCategories(BookForm& form) const;
  std::optional<long long> orderOf(const ShelfNode& node) const;

  template <typename F>
  void notify(F&& f) {
    for (ShelfObserver* o : std::vector<ShelfObserver*>(observers_)) f(*o);
  }

  Database* db_;
  app::ProgramDir dir_;
  app::Prompter& prompter_;
  UpdateControl& updates_;
  CurrentBook& current_;
  std::unique_ptr<ShelfNode> root_;
  std::unordered_set<const ShelfNode*> nodes_;
  std::vector<ShelfObserver*> observers_;
  ShelfNode* selected_ = nullptr;
  ShelfNode* editTarget_ = nullptr;
};

}  // namespace mozhou::store
