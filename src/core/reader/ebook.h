#pragma once
// Export of a whole book as one text file (the e-book): per shown chapter, in order, a
// heading "volume chapter", an empty line, the stored text and an empty line.
#include <filesystem>
#include <optional>
#include <string>

#include "app/program_dir.h"
#include "app/prompter.h"
#include "store/database.h"

namespace mozhou::reader {

// The e-book text (UTF-8, CR LF line ends); nullopt when the database cannot answer.
std::optional<std::string> buildEbookText(store::Database& db, const app::ProgramDir& dir,
                                          long long bookId);

// The file an export writes: the chosen name, with ".txt" appended unless it already ends
// in ".txt" in any letter case.
std::filesystem::path ebookTarget(const std::filesystem::path& chosen);

enum class EbookOutcome { NoBook, Declined, Written, Failed };

// `makeebook` once the target has been chosen. bookId 0 means no book node was given and
// shows "当前没有选中小说!". An existing target asks "文件已存在，是否覆盖？".
EbookOutcome makeebook(store::Database* db, const app::ProgramDir& dir, long long bookId,
                       const std::filesystem::path& chosen, app::Prompter& prompter);

}  // namespace mozhou::reader
