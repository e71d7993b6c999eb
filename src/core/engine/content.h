#pragma once
// One chapter page made into a stored chapter: content rules s7, the pictures (s8/s9) fetched
// and pointed at their local copies, rules s10, the text file "book/<book>/<chapter>.txt" and
// the word count, which marks the chapter downloaded.
#include <functional>
#include <string>
#include <string_view>

#include "app/program_dir.h"
#include "engine/site_rules.h"
#include "store/database.h"

namespace mozhou::engine {

enum class ContentResult {
  Stored,       // file written, word count stored
  Empty,        // the rules left no text: nothing stored, tried again by the next update
  Stopped,      // a stop was requested between two steps: nothing stored
  WriteFailed,  // the file or the word count could not be written: the chapter stays not downloaded
};

// Fetches and stores one chapter. stopRequested is asked before the fetch, after it, after
// s7, after the pictures and after s10; once it answers true nothing more is done.
ContentResult downloadChapter(store::Database& db, const app::ProgramDir& dir,
                              std::string_view chapterAddress, long long bookId,
                              long long chapterId, const SiteRecord& record,
                              const std::function<bool()>& stopRequested);

// Downloads every picture s8 finds in the text (address from s9) into
// "book/<book>/<chapter>/<n><ext>" and rewrites its markup to the local picture tag. The
// first picture that cannot be downloaded, or whose body is one byte, ends the handling.
std::string stoimg(const app::ProgramDir& dir, std::string_view text, long long bookId,
                   long long chapterId, std::string_view s8, std::string_view s9);

// The tag that shows picture n of a chapter, relative to the book directory.
std::string pictureTag(long long bookId, long long chapterId, std::size_t n,
                       std::string_view extension);

// The file extension of a picture, by its first two bytes; ".jpg" when unknown or empty.
std::string getpt(std::string_view bytes);

// Words of a text: each printable ASCII byte of its legacy form counts one, each byte from
// 0x7F up one half (so one Chinese character one), spaces and control bytes nothing.
long long zishutj(std::string_view text);

// Where the pictures of a chapter go when chapterText downloads them.
struct PictureTarget {
  const app::ProgramDir* dir = nullptr;
  long long bookId = 0;
  long long chapterId = 0;
};

// The chapter text the content rules make of a page: s7, the pictures (left as they are on
// the page unless a target is given), s10.
std::string chapterText(std::string_view pageText, const SiteRecord& record,
                        const PictureTarget* pictures = nullptr);

// "book/<book>/<chapter>.txt" in the program directory.
std::filesystem::path chapterFile(const app::ProgramDir& dir, long long bookId,
                                  long long chapterId);

// Writes the chapter text file: the legacy bytes of the text followed by CR LF, line breaks
// inside the text kept as they are; the book directory is made when missing. Atomic.
bool writeChapterFile(const app::ProgramDir& dir, long long bookId, long long chapterId,
                      std::string_view text);

}  // namespace mozhou::engine
