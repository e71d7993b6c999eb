#pragma once
// A book's chapter list kept in step with its table-of-contents page: new chapters added in
// page order, the stored order renumbered by the page, one chapter's name and volume re-read.
// The page text handed in has been fetched with the base flag (so "[webpath]" is its base)
// and processed with the record's list s1.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/prompter.h"
#include "engine/site_rules.h"
#include "store/database.h"

namespace mozhou::engine {

inline constexpr std::string_view kDefaultVolume = "正文";
inline constexpr std::string_view kUpdateActiveMessage =
    "当前下载更新进程执行中，不可以执行该操作!";
inline constexpr std::string_view kNoChapterSelectedMessage = "当前没有选中任何章节!";

struct ChapterEntry {
  std::string name;
  std::string url;
  std::string volume;
};

// Every match of s2 on the page, in page order (repeated addresses included): name from s3
// and address from s4, both trimmed, volume from s5/s6 through getfjn.
std::vector<ChapterEntry> chapterEntries(std::string_view pageText, const SiteRecord& record);

// The volume of an entry: the last s5 heading in the page text in front of the entry's first
// occurrence, made a name by s6; with s5 empty, s6 itself. "正文" when that leaves nothing or
// s5 does not compile.
std::string getfjn(std::string_view pageText, std::string_view entryText, std::string_view s5,
                   std::string_view s6);

// Adds every chapter whose address the book does not hold yet (hidden chapters count as
// held), in page order, after the existing ones. A failing entry is skipped on its own; the
// whole page is written in one transaction. Returns the number of chapters added.
int stozj(store::Database& db, std::string_view pageText, long long bookId,
          const SiteRecord& record);

// Gives the chapter at the k-th entry (from 0) order number k + 1; chapters not on the page
// keep theirs. Returns the number of entries whose update changed a row.
int stozjpx(store::Database& db, std::string_view pageText, long long bookId,
            const SiteRecord& record);

// A row of the chapter list as the commands see it.
struct SelectedChapter {
  long long chapterId = 0;
  std::string address;  // the row's address column
};

struct ChapterNames {
  std::string name;
  std::string volume;
};

// Re-reads the name and volume of the row's chapter from every entry with the row's address
// (the last one wins). The values stored, for the row to show; nullopt when no entry
// matched or no update went through.
std::optional<ChapterNames> regetzjfjnm(store::Database& db, std::string_view pageText,
                                        long long bookId, const SelectedChapter& row,
                                        const SiteRecord& record);

// What the two chapter-list commands need of the window.
struct TocCommandContext {
  long long bookId = 0;  // the current book; 0 when none is open
  std::string muluurl;   // its table-of-contents address
  bool updateActive = false;
};

enum class TocCommandResult {
  Nothing,  // no current book, or no rule record for its site: nothing shown
  Refused,  // a message was shown
  Fetched,  // the page was fetched and processed (possibly empty); the list may have changed
};

// "同步网络顺序": renumbers the current book's chapters by the page. On Fetched the caller
// runs "刷新" (redraws the chapter list keeping its selection).
TocCommandResult syncTocOrder(store::Database& db, const TocCommandContext& ctx,
                              const RuleText& rules, app::Prompter& prompter);

struct RereadResult {
  TocCommandResult result = TocCommandResult::Nothing;
  std::optional<ChapterNames> names;  // what the selected row shows now, when it changed
};

// "章节名称及分卷名称": re-reads the name and volume of the first selected row.
RereadResult rereadChapterNames(store::Database& db, const TocCommandContext& ctx,
                                const std::optional<SelectedChapter>& firstSelected,
                                const RuleText& rules, app::Prompter& prompter);

// The table-of-contents page as an update run reads it: GET with the base flag, then s1.
std::string fetchTocPage(std::string_view muluurl, const SiteRecord& record);

}  // namespace mozhou::engine
