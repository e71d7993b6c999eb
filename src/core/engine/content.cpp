#include "engine/content.h"

#include <array>
#include <system_error>
#include <utility>

#include "app/files.h"
#include "engine/fetcher.h"
#include "engine/rule_expr.h"
#include "text/codec.h"
#include "text/regex.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

namespace fs = std::filesystem;

std::string_view field(const SiteRecord& record, std::size_t i) {
  return i < record.size() ? std::string_view(record[i]) : std::string_view();
}

std::string bookDirectory(long long bookId) { return "book/" + std::to_string(bookId); }

std::string pictureDirectory(long long bookId, long long chapterId) {
  return bookDirectory(bookId) + "/" + std::to_string(chapterId);
}

bool makeDirectories(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

bool stopNow(const std::function<bool()>& stopRequested) {
  return stopRequested && stopRequested();
}

}  // namespace

std::string getpt(std::string_view bytes) {
  if (bytes.size() < 2) return ".jpg";
  static constexpr std::array<std::pair<std::array<unsigned char, 2>, const char*>, 9> kTypes{{
      {{0x42, 0x4D}, ".bmp"},
      {{0xFF, 0xD8}, ".jpg"},
      {{0x47, 0x49}, ".gif"},
      {{0x0A, 0x05}, ".pcx"},
      {{0x89, 0x50}, ".png"},
      {{0x38, 0x42}, ".psd"},
      {{0x59, 0xA6}, ".ras"},
      {{0x01, 0xDA}, ".sgi"},
      {{0x49, 0x49}, ".tif"},
  }};
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  const auto b1 = static_cast<unsigned char>(bytes[1]);
  for (const auto& [magic, ext] : kTypes)
    if (magic[0] == b0 && magic[1] == b1) return ext;
  return ".jpg";
}

long long zishutj(std::string_view text) {
  const std::string bytes = text::toLegacy(text);
  long long halves = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x21 && b <= 0x7E) {
      halves += 2;
    } else if (b >= 0x7F) {
      // A four-byte GB18030 sequence (a character outside GBK) is one character, as GBK's
      // two-byte ones are; its digit bytes must not count as ASCII.
      if (b >= 0x81 && b <= 0xFE && i + 3 < bytes.size()) {
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
        const auto b3 = static_cast<unsigned char>(bytes[i + 3]);
        if (b1 >= 0x30 && b1 <= 0x39 && b2 >= 0x81 && b2 <= 0xFE && b3 >= 0x30 && b3 <= 0x39) {
          halves += 2;
          i += 3;
          continue;
        }
      }
      halves += 1;
    }
  }
  return halves / 2;
}

std::string pictureTag(long long bookId, long long chapterId, std::size_t n,
                       std::string_view extension) {
  // Relative to the book directory, where the reading template lives.
  return "<img src=\"" + std::to_string(bookId) + "/" + std::to_string(chapterId) + "/" +
         std::to_string(n) + std::string(extension) + "\">";
}

std::string stoimg(const app::ProgramDir& dir, std::string_view text, long long bookId,
                   long long chapterId, std::string_view s8, std::string_view s9) {
  std::string current(text);
  if (s8.empty() || s9.empty()) return current;
  try {
    const std::optional<HttpClient> client = creathttp(0);
    const text::RegexResult found = text::regexExecute(s8, text);
    if (!found.ok) return current;
    const fs::path pictures = dir.path(pictureDirectory(bookId, chapterId));
    for (std::size_t n = 0; n < found.matches.size(); ++n) {
      const text::RegexMatch& m = found.matches[n];
      if (!client) break;
      const HttpResult got = client->request(regsp(s9, m.subMatches));
      // A one-byte body is what some sites send instead of an error for a missing picture.
      if (!got.ok || got.body.size() == 1) break;
      const std::string ext = getpt(got.body);
      if (!makeDirectories(pictures)) break;
      if (!app::writeFileAtomic(pictures / (std::to_string(n) + ext), got.body)) break;
      current = text::replaceAll(current, m.value, pictureTag(bookId, chapterId, n, ext));
    }
  } catch (...) {
  }
  return current;
}

std::string chapterText(std::string_view pageText, const SiteRecord& record,
                        const PictureTarget* pictures) {
  try {
    std::string t = guizstr(pageText, field(record, 7));
    if (pictures && pictures->dir)
      t = stoimg(*pictures->dir, t, pictures->bookId, pictures->chapterId, field(record, 8),
                 field(record, 9));
    return guizstr(t, field(record, 10));
  } catch (...) {
    return {};
  }
}

fs::path chapterFile(const app::ProgramDir& dir, long long bookId, long long chapterId) {
  return dir.path(bookDirectory(bookId) + "/" + std::to_string(chapterId) + ".txt");
}

bool writeChapterFile(const app::ProgramDir& dir, long long bookId, long long chapterId,
                      std::string_view text) {
  try {
    if (!makeDirectories(dir.path(bookDirectory(bookId)))) return false;
    std::string content(text);
    content += "\r\n";
    return app::writeFileAtomic(chapterFile(dir, bookId, chapterId), text::toLegacy(content));
  } catch (...) {
    return false;
  }
}

ContentResult downloadChapter(store::Database& db, const app::ProgramDir& dir,
                              std::string_view chapterAddress, long long bookId,
                              long long chapterId, const SiteRecord& record,
                              const std::function<bool()>& stopRequested) {
  try {
    if (stopNow(stopRequested)) return ContentResult::Stopped;
    const std::string page = opurl(chapterAddress, nullptr, 0, 1);
    if (stopNow(stopRequested)) return ContentResult::Stopped;
    std::string t = guizstr(page, field(record, 7));
    if (stopNow(stopRequested)) return ContentResult::Stopped;
    t = stoimg(dir, t, bookId, chapterId, field(record, 8), field(record, 9));
    if (stopNow(stopRequested)) return ContentResult::Stopped;
    t = guizstr(t, field(record, 10));
    if (stopNow(stopRequested)) return ContentResult::Stopped;
    if (t.empty()) return ContentResult::Empty;
    const long long words = zishutj(t);
    // The file goes first: a count is only ever stored over a complete file.
    if (!writeChapterFile(dir, bookId, chapterId, t)) return ContentResult::WriteFailed;
    if (!db.exec("UPDATE book_zhangjie SET zishutongji=? WHERE bookid=? AND zhangjieid=?", words,
                 bookId, chapterId))
      return ContentResult::WriteFailed;
    return ContentResult::Stored;
  } catch (...) {
    return ContentResult::WriteFailed;
  }
}

}  // namespace mozhou::engine
