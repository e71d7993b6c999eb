#pragma once
// One node of the bookshelf tree and the observer through which a view mirrors the tree.
// A node's address is its handle: it stays valid until nodeRemoved reports it gone.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "store/tp_item.h"

namespace mozhou::store {

class ShelfNode {
 public:
  enum Level { kRoot = 0, kCategory = 1, kBook = 2 };
  // Images of the tree; the selected image equals the image.
  enum Image { kRootImage = 0, kCategoryImage = 1, kBookImage = 2, kUpdatingImage = 3 };

  int level() const { return level_; }
  bool isRoot() const { return level_ == kRoot; }
  bool isCategory() const { return level_ == kCategory; }
  bool isBook() const { return level_ == kBook; }

  // The record; the root carries an empty one.
  const TPItem& item() const { return item_; }
  // typeid or bookid; 0 for the root.
  long long id() const { return id_; }

  // Derived from the record: a book with unread chapters reads "name(count)" and is bold.
  std::string text() const;
  bool bold() const { return isBook() && item_.unread > 0; }
  int image() const;
  int selectedImage() const { return image(); }
  bool updating() const { return updating_; }
  bool expanded() const { return expanded_; }

  ShelfNode* parent() const { return parent_; }
  std::size_t childCount() const { return children_.size(); }
  ShelfNode* child(std::size_t index) const {
    return index < children_.size() ? children_[index].get() : nullptr;
  }
  // Position among the parent's children; 0 for the root.
  int row() const;

 private:
  friend class Shelf;
  ShelfNode(int level, long long id, TPItem item, ShelfNode* parent)
      : level_(level), id_(id), item_(std::move(item)), parent_(parent) {}

  int level_;
  long long id_;
  TPItem item_;
  ShelfNode* parent_;
  bool updating_ = false;
  bool expanded_ = false;
  std::vector<std::unique_ptr<ShelfNode>> children_;
};

// Every change of the tree, so that a view can follow it without reading the database.
// The "…ing" calls come before the change (for views that must announce it, such as Qt item
// models), the others after it.
struct ShelfObserver {
  virtual ~ShelfObserver() = default;
  // `row` is where the node will appear among parent's children.
  virtual void nodeAdding(const ShelfNode& /*parent*/, int /*row*/) {}
  virtual void nodeAdded(const ShelfNode& /*node*/) {}
  // Text, bold state or image changed.
  virtual void nodeChanged(const ShelfNode& /*node*/) {}
  virtual void nodeRemoving(const ShelfNode& /*node*/) {}
  // The node is gone; it was child `row` of parent.
  virtual void nodeRemoved(const ShelfNode& /*parent*/, int /*row*/) {}
  // `beforeRow` counts newParent's children as they are before the move (the node itself
  // included when it stays under the same parent); childCount() means "at the end".
  virtual void nodeMoving(const ShelfNode& /*node*/, const ShelfNode& /*newParent*/,
                          int /*beforeRow*/) {}
  virtual void nodeMoved(const ShelfNode& /*node*/) {}
  virtual void selectionChanged(const ShelfNode* /*selected*/) {}
  virtual void expandedChanged(const ShelfNode& /*node*/) {}
  // The current book was deleted: the window goes back to "我的书架" and hides "当前阅读".
  virtual void currentBookCleared() {}
};

}  // namespace mozhou::store
