#pragma once
// Opening and closing the main thread's bookshelf connection.
#include <memory>

#include "app/program_dir.h"
#include "app/prompter.h"
#include "store/database.h"

namespace mozhou::store {

inline constexpr const char* kBookDatabase = "db\\book.dat";

// Opens "db\book.dat" of the program directory; on failure shows "连接数据库失败!" and
// returns nullptr (every later operation then fails quietly).
std::unique_ptr<Database> connectioncreat(const app::ProgramDir& dir, app::Prompter& prompter);

// Opens another connection to the same file for a worker thread; nullptr on failure, silently.
std::unique_ptr<Database> openWorkerConnection(const app::ProgramDir& dir);

inline void connectionend(std::unique_ptr<Database>& db) { db.reset(); }

}  // namespace mozhou::store
