#pragma once
// The record attached to every category and book node of the bookshelf tree.
#include <string>

namespace mozhou::store {

struct TPItem {
  std::string id;        // typeid or bookid as decimal text
  std::string name;      // typename or bookname
  std::string author;    // empty for a category
  std::string muluurl;   // table-of-contents address; empty for a category
  int downtype = 0;      // 1: "不再更新" (skipped by update-all); always 0 for a category
  long long unread = 0;  // unread shown chapters; always 0 for a category
};

}  // namespace mozhou::store
