#pragma once
// The schema of a fresh bookshelf database. The program itself never creates the database:
// the build stages one and tests make their own.
#include <filesystem>
#include <string>

namespace mozhou::store {

// Creates `file` with the three tables and their indexes. Fails when the file exists.
bool createBookDatabase(const std::filesystem::path& file, std::string* error = nullptr);

}  // namespace mozhou::store
