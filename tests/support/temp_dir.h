#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it.
#include <filesystem>
#include <string>
#include <string_view>

namespace mozhou::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes a file (creating its directories) with the given bytes; returns its path.
  std::filesystem::path write(std::string_view relative, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

}  // namespace mozhou::testing
