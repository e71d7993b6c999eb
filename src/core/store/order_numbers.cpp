#include "store/order_numbers.h"

namespace mozhou::store {

std::optional<long long> nextCategoryOrder(Database& db) {
  return db.queryInt("SELECT coalesce(max(paix),0)+1 FROM book_type");
}

std::optional<long long> nextBookOrder(Database& db) {
  return db.queryInt("SELECT coalesce(max(paix),0)+1 FROM book_list");
}

std::optional<long long> nextChapterOrder(Database& db, long long bookId) {
  return db.queryInt("SELECT coalesce(max(paix),0)+1 FROM book_zhangjie WHERE bookid=?", bookId);
}

}  // namespace mozhou::store
