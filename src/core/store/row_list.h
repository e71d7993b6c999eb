#pragma once
// What the chapter list and the latest-updates list share: rows with a read image and a
// selection flag, the selection, the navigation targets and the change reports.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "store/list_observer.h"

namespace mozhou::store {

inline constexpr int kImageUnread = 4;
inline constexpr int kImageRead = 5;

// Navigation targets of the reading commands.
inline constexpr std::string_view kTargetFirst = "first";
inline constexpr std::string_view kTargetEnd = "end";
inline constexpr std::string_view kTargetNoRead = "noread";
inline constexpr std::string_view kTargetNext = "next";
inline constexpr std::string_view kTargetLast = "last";  // the previous chapter

// Row needs the members `int image` and `bool selected`.
template <typename Row>
class RowList {
 public:
  explicit RowList(bool multiSelect) : multiSelect_(multiSelect) {}
  RowList(const RowList&) = delete;
  RowList& operator=(const RowList&) = delete;

  const std::vector<Row>& rows() const { return rows_; }
  const Row& row(std::size_t i) const { return rows_[i]; }
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }

  bool isSelected(std::size_t i) const { return i < rows_.size() && rows_[i].selected; }
  // The first selected row in list order.
  std::optional<std::size_t> selectedIndex() const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].selected) return i;
    return std::nullopt;
  }
  std::vector<std::size_t> selectedIndices() const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].selected) out.push_back(i);
    return out;
  }
  bool hasSelection() const { return selectedIndex().has_value(); }

  // The user's own selection. A single-selection list drops the other rows when one is
  // selected. Reported only when something changed.
  void setSelected(std::size_t i, bool on) {
    if (i >= rows_.size()) return;
    bool changed = rows_[i].selected != on;
    if (on && !multiSelect_) {
      for (std::size_t j = 0; j < rows_.size(); ++j)
        if (j != i && rows_[j].selected) {
          rows_[j].selected = false;
          changed = true;
        }
    }
    rows_[i].selected = on;
    if (changed) notify([](ListObserver& o) { o.selectionChanged(); });
  }
  void clearSelection() {
    bool changed = false;
    for (Row& r : rows_) {
      changed = changed || r.selected;
      r.selected = false;
    }
    if (changed) notify([](ListObserver& o) { o.selectionChanged(); });
  }

  // Selects exactly this row and reports it, also when it was the selection already.
  void selectOnly(std::size_t i) {
    if (i >= rows_.size()) return;
    for (Row& r : rows_) r.selected = false;
    rows_[i].selected = true;
    notify([](ListObserver& o) { o.selectionChanged(); });
  }

  // Resolves a navigation target: "first", "end", "noread", "next", "last"; none when the
  // list has no such row. Any other target gives the first row without a selection.
  std::optional<std::size_t> getzjlt(std::string_view target) const {
    const std::size_t n = rows_.size();
    if (target == kTargetFirst) return n ? std::optional<std::size_t>(0) : std::nullopt;
    if (target == kTargetEnd) return n ? std::optional<std::size_t>(n - 1) : std::nullopt;
    if (target == kTargetNoRead) {
      for (std::size_t i = 0; i < n; ++i)
        if (rows_[i].image == kImageUnread) return i;
      return std::nullopt;
    }
    const auto sel = selectedIndex();
    if (!sel) return n ? std::optional<std::size_t>(0) : std::nullopt;
    if (target == kTargetNext) return std::min(*sel + 1, n - 1);
    if (target == kTargetLast) return *sel == 0 ? 0 : *sel - 1;
    return std::nullopt;
  }

  // Moves the selection to the target and reports it, also when the row was selected
  // already: the reading view then shows that chapter again. Returns the row, if any.
  std::optional<std::size_t> zjviewt(std::string_view target) {
    const auto to = getzjlt(target);
    if (!to) return std::nullopt;
    selectOnly(*to);
    notify([&](ListObserver& o) { o.scrollRequested(*to); });
    return to;
  }

  // Shows a row as read or unread (the reading view marks the chapter it shows).
  void setImage(std::size_t i, int image) {
    if (i >= rows_.size() || rows_[i].image == image) return;
    rows_[i].image = image;
    notify([&](ListObserver& o) { o.rowChanged(i); });
  }

  void scrollToSelected() {
    if (const auto sel = selectedIndex()) notify([&](ListObserver& o) { o.scrollRequested(*sel); });
  }

  void addObserver(ListObserver* o) {
    if (o && std::find(observers_.begin(), observers_.end(), o) == observers_.end())
      observers_.push_back(o);
  }
  void removeObserver(ListObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
  }

 protected:
  ~RowList() = default;

  template <typename F>
  void notify(F&& f) {
    const auto observers = observers_;  // an observer may unregister while it is told
    for (ListObserver* o : observers) f(*o);
  }
  void resetRows(std::vector<Row> rows) {
    rows_ = std::move(rows);
    notify([](ListObserver& o) { o.rowsReset(); });
  }
  void insertRow(std::size_t i, Row row) {
    i = std::min(i, rows_.size());
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(i), std::move(row));
    notify([&](ListObserver& o) { o.rowInserted(i); });
  }
  void removeRow(std::size_t i) {
    if (i >= rows_.size()) return;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
    notify([&](ListObserver& o) { o.rowRemoved(i); });
  }
  void rowChanged(std::size_t i) {
    notify([&](ListObserver& o) { o.rowChanged(i); });
  }
  void selectionChanged() {
    notify([](ListObserver& o) { o.selectionChanged(); });
  }

  std::vector<Row> rows_;

 private:
  bool multiSelect_;
  std::vector<ListObserver*> observers_;
};

}  // namespace mozhou::store
