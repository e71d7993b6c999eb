#include "support/program_fixture.h"

#include <gtest/gtest.h>

#include "store/schema.h"

namespace mozhou::testing {

TempProgramDir::TempProgramDir(bool withDatabase) {
  for (const char* d : {"config", "db", "book", "skins"})
    std::filesystem::create_directories(path() / d);
  if (withDatabase) {
    std::string error;
    if (!store::createBookDatabase(path() / "db" / "book.dat", &error))
      ADD_FAILURE() << "cannot create the test database: " << error;
  }
}

std::unique_ptr<store::Database> TempProgramDir::open() const {
  std::string error;
  auto db = store::Database::open(path() / "db" / "book.dat", &error);
  if (!db) ADD_FAILURE() << "cannot open the test database: " << error;
  return db;
}

}  // namespace mozhou::testing
