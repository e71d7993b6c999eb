#pragma once
// Order numbers (paix): new items take the largest number plus 1, or 1 when there is none.
#include <optional>

#include "store/database.h"

namespace mozhou::store {

// nullopt when the database cannot answer.
std::optional<long long> nextCategoryOrder(Database& db);
std::optional<long long> nextBookOrder(Database& db);  // one sequence over all books
std::optional<long long> nextChapterOrder(Database& db, long long bookId);

}  // namespace mozhou::store
