#pragma once
// The book opened on the "当前阅读" page; id 0 means none.
#include <string>

namespace mozhou::store {

struct CurrentBook {
  long long id = 0;
  std::string name;
  bool isSet() const { return id != 0; }
  void clear() { *this = CurrentBook{}; }
};

}  // namespace mozhou::store
