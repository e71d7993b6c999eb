#include "app/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "text/codec.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace mozhou::app {

namespace fs = std::filesystem;

namespace {
void deleteTree(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(path, ec))) return;
  for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    if (it->is_directory(e2) && !it->is_symlink(e2)) {
      deleteTree(it->path());
    } else {
      fs::remove(it->path(), e2);
    }
  }
  fs::remove(path, ec);
}

}  // namespace

void DeleteDir(const fs::path& path) {
  std::string p = path.string();
  while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  deleteTree(fs::path(p));
}

std::optional<std::string> readFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(ss).str();
}

bool writeFileAtomic(const fs::path& path, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  fs::path tmp = path;
  tmp += ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

std::optional<std::string> readTextFile(const fs::path& path) {
  auto bytes = readFileBytes(path);
  if (!bytes) return std::nullopt;
  return text::normaliseLineBreaks(text::fromLegacy(*bytes));
}

bool writeTextFile(const fs::path& path, std::string_view utf8) {
  return writeFileAtomic(path, text::toLegacy(text::normaliseLineBreaks(utf8)));
}

std::string decodeForeignText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  bool nonAscii = false;
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) {
      nonAscii = true;
      break;
    }
  if (nonAscii && text::isValidUtf8(bytes)) return std::string(bytes);
  return text::fromLegacy(bytes);
}

}  // namespace mozhou::app
