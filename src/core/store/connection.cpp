#include "store/connection.h"

namespace mozhou::store {

std::unique_ptr<Database> connectioncreat(const app::ProgramDir& dir, app::Prompter& prompter) {
  auto db = Database::open(dir.path(kBookDatabase));
  if (!db) prompter.tsxx("连接数据库失败!");
  return db;
}

std::unique_ptr<Database> openWorkerConnection(const app::ProgramDir& dir) {
  return Database::open(dir.path(kBookDatabase));
}

}  // namespace mozhou::store
