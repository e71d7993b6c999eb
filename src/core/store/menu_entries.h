#pragma once
// The entries the bookmark and filter menus append after their fixed items: one per
// chapter, each carrying its chapter id and showing the chapter's name.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "store/list_observer.h"

namespace mozhou::store {

struct MenuEntry {
  long long chapterId = 0;
  std::string caption;
};

class MenuEntries {
 public:
  const std::vector<MenuEntry>& entries() const { return entries_; }
  std::optional<std::size_t> find(long long chapterId) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].chapterId == chapterId) return i;
    return std::nullopt;
  }
  void addObserver(MenuObserver* o) {
    if (o && std::find(observers_.begin(), observers_.end(), o) == observers_.end())
      observers_.push_back(o);
  }
  void removeObserver(MenuObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
  }

 protected:
  ~MenuEntries() = default;
  void resetEntries(std::vector<MenuEntry> entries) {
    entries_ = std::move(entries);
    for (MenuObserver* o : std::vector(observers_)) o->entriesReset();
  }
  // A chapter has at most one entry: a second one is not added. True when added.
  bool addEntry(long long chapterId, std::string caption) {
    if (find(chapterId)) return false;
    entries_.push_back({chapterId, std::move(caption)});
    for (MenuObserver* o : std::vector(observers_)) o->entryAdded(entries_.size() - 1);
    return true;
  }
  void removeEntry(long long chapterId) {
    const auto i = find(chapterId);
    if (!i) return;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*i));
    for (MenuObserver* o : std::vector(observers_)) o->entryRemoved(*i);
  }

 private:
  std::vector<MenuEntry> entries_;
  std::vector<MenuObserver*> observers_;
};

}  // namespace mozhou::store
