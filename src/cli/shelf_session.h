#pragma once
// The bookshelf as one command sees it: the database, the tree drawn from it, and the
// helpers that turn an id on the command line into a node. The command line has no
// selection of its own: a command selects the node it names, then runs the operation.
#include <memory>
#include <string>

#include "cli/cli.h"
#include "cli/console.h"
#include "store/current_book.h"
#include "store/shelf.h"
#include "store/update_control.h"

namespace mozhou::cli {

// Updates come from the update command: adding or editing a book here never starts one, so
// the shelf is told that a run is already in progress.
class NoUpdates : public store::UpdateControl {
 public:
  bool updateRunning() const override { return true; }
  void startBookUpdate(long long) override {}
  void stopUpdate() override {}
};

class ShelfSession {
 public:
  // Opens the database (printing "连接数据库失败!" when it cannot) and draws the tree.
  explicit ShelfSession(Context& ctx);
  bool connected() const { return db_ != nullptr; }
  store::Shelf& shelf() { return *shelf_; }
  ConsolePrompter& prompter() { return prompter_; }

  // The node named by an id argument; nullptr after a one-line error.
  const store::ShelfNode* category(const std::string& idText);
  const store::ShelfNode* book(const std::string& idText);

 private:
  Context& ctx_;
  ConsolePrompter prompter_;
  std::unique_ptr<store::Database> db_;
  NoUpdates updates_;
  store::CurrentBook current_;
  std::unique_ptr<store::Shelf> shelf_;
};

// The id of a node as the command line shows it: "" for the root.
std::string nodeIdText(const store::ShelfNode& node);

}  // namespace mozhou::cli
