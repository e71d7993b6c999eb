#pragma once
// Where a chapter's text, its pictures and a book's bookmarks live in the program directory.
// Ids are numbers, so none of these paths can leave the book directory.
#include <filesystem>

#include "app/program_dir.h"

namespace mozhou::store {

// "book/<book>/<chapter>.txt"
std::filesystem::path chapterTextFile(const app::ProgramDir& dir, long long bookId,
                                      long long chapterId);
// "book/<book>/<chapter>/"
std::filesystem::path chapterPictureDir(const app::ProgramDir& dir, long long bookId,
                                        long long chapterId);
// "book/<book>/bookmark.txt"
std::filesystem::path bookmarkFile(const app::ProgramDir& dir, long long bookId);

}  // namespace mozhou::store
