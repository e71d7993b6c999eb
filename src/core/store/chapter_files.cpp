#include "store/chapter_files.h"

#include <string>

namespace mozhou::store {

namespace {
std::filesystem::path bookDir(const app::ProgramDir& dir, long long bookId) {
  return dir.path("book") / std::to_string(bookId);
}
}  // namespace

std::filesystem::path chapterTextFile(const app::ProgramDir& dir, long long bookId,
                                      long long chapterId) {
  return bookDir(dir, bookId) / (std::to_string(chapterId) + ".txt");
}

std::filesystem::path chapterPictureDir(const app::ProgramDir& dir, long long bookId,
                                        long long chapterId) {
  return bookDir(dir, bookId) / std::to_string(chapterId);
}

std::filesystem::path bookmarkFile(const app::ProgramDir& dir, long long bookId) {
  return bookDir(dir, bookId) / "bookmark.txt";
}

}  // namespace mozhou::store
