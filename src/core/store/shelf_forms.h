#pragma once
// What the category dialog and the new-novel dialog show when a bookshelf command opens them.
#include <string>
#include <vector>

namespace mozhou::store {

class ShelfNode;

// The category dialog ("小说分类").
struct CategoryForm {
  std::string caption;                    // "新增小说分类" or "修改小说分类"
  std::string okCaption;                  // "确认添加" or "确认修改"
  std::string name;                       // the field "分类名称："
  const ShelfNode* editTarget = nullptr;  // the category being renamed; none when adding
};

// The new-novel dialog, as "新增小说" or as "小说属性".
struct BookForm {
  std::string caption;                  // "新增小说" or "小说属性"
  std::string okCaption;                // "确认添加" or "确认修改"
  std::vector<std::string> categories;  // every category text, in tree order
  int selectedCategory = -1;            // index into categories; -1 when there is none
  std::string bookName;
  std::string author;
  std::string address;        // table-of-contents address
  bool showNoUpdate = false;  // the "不再更新" box is visible
  bool noUpdate = false;      // … and ticked
  bool exactSearch = false;   // "准确搜索" ticked
  // "书名" or "作者" when the dialog should set that search type and start searching;
  // empty leaves the search type as it was and starts nothing.
  std::string searchType;
  const ShelfNode* editTarget = nullptr;  // the book being edited; none when adding

  bool startsSearch() const { return !searchType.empty(); }
};

}  // namespace mozhou::store
