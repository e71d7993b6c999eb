#include "app/program_dir.h"

#include <unistd.h>

#include <string>
#include <system_error>

namespace mozhou::app {

ProgramDir::ProgramDir(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path ProgramDir::path(std::string_view relative) const {
  std::filesystem::path p = root_;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = relative.size();
    std::string_view part = relative.substr(start, end - start);
    if (!part.empty()) p /= std::string(part);
    start = end + 1;
  }
  return p;
}

ProgramDir ProgramDir::ofExecutable() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ProgramDir(std::filesystem::current_path(ec));
  return ProgramDir(exe.parent_path());
}

}  // namespace mozhou::app
