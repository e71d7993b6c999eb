// mozhou-schema FILE [--if-missing]: writes a fresh, empty bookshelf database.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "store/schema.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mozhou-schema FILE [--if-missing]\n");
    return 2;
  }
  const std::filesystem::path file = argv[1];
  const bool ifMissing = argc > 2 && std::strcmp(argv[2], "--if-missing") == 0;
  std::error_code ec;
  if (ifMissing && std::filesystem::exists(file, ec)) return 0;
  std::string error;
  if (!mozhou::store::createBookDatabase(file, &error)) {
    std::fprintf(stderr, "mozhou-schema: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  return 0;
}
