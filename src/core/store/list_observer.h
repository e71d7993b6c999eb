#pragma once
// How the chapter lists and the bookmark and filter menus report their changes, so that a
// view can mirror them without reading the database. Each report comes right after the one
// change it describes; indexes are those of the model at that moment.
#include <cstddef>

namespace mozhou::store {

struct ListObserver {
  virtual ~ListObserver() = default;
  // Every row may have changed, the selection flags included: read the list again.
  virtual void rowsReset() {}
  virtual void rowInserted(std::size_t /*index*/) {}
  virtual void rowChanged(std::size_t /*index*/) {}
  virtual void rowRemoved(std::size_t /*index*/) {}
  // The selection was changed by a command or by the user: the reading view shows the
  // selected chapter again. Reselection that must not disturb the view is not reported.
  virtual void selectionChanged() {}
  // The row should be scrolled into view.
  virtual void scrollRequested(std::size_t /*index*/) {}
};

// The entries a menu appends after its fixed items (bookmarks, filtered chapters).
struct MenuObserver {
  virtual ~MenuObserver() = default;
  virtual void entriesReset() {}
  virtual void entryAdded(std::size_t /*index*/) {}
  virtual void entryRemoved(std::size_t /*index*/) {}
};

}  // namespace mozhou::store
