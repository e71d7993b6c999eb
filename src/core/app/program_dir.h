#pragma once
// The program directory: every file the program uses lives below it. Relative literals may
// use "\" or "/" as separators; both mean the same.
#include <filesystem>
#include <string_view>

namespace mozhou::app {

class ProgramDir {
 public:
  ProgramDir() = default;
  explicit ProgramDir(std::filesystem::path root);

  const std::filesystem::path& root() const { return root_; }
  // root joined with a relative literal such as "db\book.dat" or "book/12/bookmark.txt".
  std::filesystem::path path(std::string_view relative) const;

  // The directory of the running executable.
  static ProgramDir ofExecutable();

 private:
  std::filesystem::path root_;
};

}  // namespace mozhou::app
