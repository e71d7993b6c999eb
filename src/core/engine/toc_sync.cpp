#include "engine/toc_sync.h"

#include <unordered_set>

#include "engine/fetcher.h"
#include "engine/rule_expr.h"
#include "text/regex.h"
#include "text/strings.h"

namespace mozhou::engine {
namespace {

std::string_view field(const SiteRecord& record, std::size_t i) {
  return i < record.size() ? std::string_view(record[i]) : std::string_view();
}

// One match of the chapter-entry pattern with its address already worked out.
struct Entry {
  const text::RegexMatch* match;
  std::string address;
};

std::vector<text::RegexMatch> entryMatches(std::string_view pageText, const SiteRecord& record) {
  if (pageText.empty()) return {};
  text::RegexResult found = text::regexExecute(field(record, 2), pageText);
  if (!found.ok) return {};
  return std::move(found.matches);
}

std::string entryAddress(const text::RegexMatch& m, const SiteRecord& record) {
  return text::trim(regsp(field(record, 4), m.subMatches));
}

ChapterNames entryNames(std::string_view pageText, const text::RegexMatch& m,
                        const SiteRecord& record) {
  return {text::trim(regsp(field(record, 3), m.subMatches)),
          getfjn(pageText, m.value, field(record, 5), field(record, 6))};
}

bool chapterKnown(store::Database& db, long long bookId, const std::string& address, bool& ok) {
  store::Statement st =
      db.prepare("SELECT zhangjieid FROM book_zhangjie WHERE bookid=? AND zhangjieurl=?");
  st.bindAll(bookId, address);
  const bool row = st.step();
  ok = st.ok() || row;
  return row;
}

}  // namespace

std::string getfjn(std::string_view pageText, std::string_view entryText, std::string_view s5,
                   std::string_view s6) {
  std::string result;
  try {
    if (s5.empty() && !s6.empty()) {
      result = std::string(s6);
    } else if (!s5.empty() && !s6.empty()) {
      const std::size_t at = pageText.find(entryText);
      const std::string_view before = pageText.substr(0, at == std::string_view::npos ? 0 : at);
      const text::RegexResult found = text::regexExecute(s5, before);
      if (found.ok && !found.matches.empty())
        result = text::trim(regsp(s6, found.matches.back().subMatches));
    }
  } catch (...) {
    result.clear();
  }
  if (text::trim(result).empty()) return std::string(kDefaultVolume);
  return result;
}

std::vector<ChapterEntry> chapterEntries(std::string_view pageText, const SiteRecord& record) {
  std::vector<ChapterEntry> out;
  try {
    for (const text::RegexMatch& m : entryMatches(pageText, record)) {
      ChapterNames names = entryNames(pageText, m, record);
      out.push_back({std::move(names.name), entryAddress(m, record), std::move(names.volume)});
    }
  } catch (...) {
  }
  return out;
}

int stozj(store::Database& db, std::string_view pageText, long long bookId,
          const SiteRecord& record) {
  try {
    const std::vector<text::RegexMatch> matches = entryMatches(pageText, record);
    if (matches.empty()) return 0;

    // The addresses the book holds, read in one go: on a long page that is far cheaper than
    // one lookup per entry. Names and volumes (the volume search is the costly part) are then
    // worked out for the new entries before the write lock is taken, so the main thread's
    // writes are not held up meanwhile. A chapter deleted after this read counts as deleted
    // after the update.
    std::unordered_set<std::string> known;
    {
      store::Statement st = db.prepare("SELECT zhangjieurl FROM book_zhangjie WHERE bookid=?");
      st.bind(1, bookId);
      while (st.step()) known.insert(st.text(0));
      if (!st.ok()) known.clear();  // every entry is checked again below
    }
    std::vector<Entry> candidates;
    std::vector<std::optional<ChapterNames>> names;
    std::unordered_set<std::string> named;
    for (const text::RegexMatch& m : matches) {
      std::string address = entryAddress(m, record);
      if (known.count(address)) continue;
      // Later copies of an address are kept in case the first one's insert fails.
      names.push_back(named.insert(address).second
                          ? std::optional<ChapterNames>(entryNames(pageText, m, record))
                          : std::nullopt);
      candidates.push_back({&m, std::move(address)});
    }
    if (candidates.empty()) return 0;

    // Without a transaction (the database refused to start one) every statement stands alone,
    // which gives the same result, only slower.
    store::Transaction tx(db);
    const std::optional<long long> largest =
        db.queryInt("SELECT max(paix) FROM book_zhangjie WHERE bookid=?", bookId);
    long long counter = largest.value_or(0);
    int added = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      try {
        bool ok = false;
        if (chapterKnown(db, bookId, candidates[i].address, ok) || !ok) continue;
        ++counter;
        if (!names[i]) names[i] = entryNames(pageText, *candidates[i].match, record);
        if (db.exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,paix) "
                    "VALUES (?,?,?,?,?)",
                    bookId, names[i]->name, names[i]->volume, candidates[i].address, counter))
          ++added;
      } catch (...) {
      }
    }
    if (tx.active() && !tx.commit()) return 0;
    return added;
  } catch (...) {
    return 0;
  }
}

int stozjpx(store::Database& db, std::string_view pageText, long long bookId,
            const SiteRecord& record) {
  try {
    const std::vector<text::RegexMatch> matches = entryMatches(pageText, record);
    if (matches.empty()) return 0;
    store::Transaction tx(db);
    int changed = 0;
    long long k = 0;
    for (const text::RegexMatch& m : matches) {
      ++k;
      try {
        if (db.exec("UPDATE book_zhangjie SET paix=? WHERE bookid=? AND zhangjieurl=?", k, bookId,
                    entryAddress(m, record)) &&
            db.changes() > 0)
          ++changed;
      } catch (...) {
      }
    }
    if (tx.active() && !tx.commit()) return 0;
    return changed;
  } catch (...) {
    return 0;
  }
}

std::optional<ChapterNames> regetzjfjnm(store::Database& db, std::string_view pageText,
                                        long long bookId, const SelectedChapter& row,
                                        const SiteRecord& record) {
  std::optional<ChapterNames> shown;
  try {
    for (const text::RegexMatch& m : entryMatches(pageText, record)) {
      try {
        if (entryAddress(m, record) != row.address) continue;
        ChapterNames names = entryNames(pageText, m, record);
        if (db.exec("UPDATE book_zhangjie SET zhangjiename=?,fenjuanname=? "
                    "WHERE bookid=? AND zhangjieid=?",
                    names.name, names.volume, bookId, row.chapterId))
          shown = std::move(names);
      } catch (...) {
      }
    }
  } catch (...) {
  }
  return shown;
}

std::string fetchTocPage(std::string_view muluurl, const SiteRecord& record) {
  try {
    const std::string page = opurl(muluurl, nullptr, 0, 1);
    return guizstr(page, field(record, 1));
  } catch (...) {
    return {};
  }
}

TocCommandResult syncTocOrder(store::Database& db, const TocCommandContext& ctx,
                              const RuleText& rules, app::Prompter& prompter) {
  if (ctx.bookId == 0) return TocCommandResult::Nothing;
  if (ctx.updateActive) {
    prompter.tsxx(kUpdateActiveMessage);
    return TocCommandResult::Refused;
  }
  const SiteRecord record = rules.lookup(geturlkey(ctx.muluurl));
  if (record.empty()) return TocCommandResult::Nothing;
  stozjpx(db, fetchTocPage(ctx.muluurl, record), ctx.bookId, record);
  return TocCommandResult::Fetched;
}

RereadResult rereadChapterNames(store::Database& db, const TocCommandContext& ctx,
                                const std::optional<SelectedChapter>& firstSelected,
                                const RuleText& rules, app::Prompter& prompter) {
  if (ctx.bookId == 0) return {};
  if (!firstSelected) {
    prompter.tsxx(kNoChapterSelectedMessage);
    return {TocCommandResult::Refused, std::nullopt};
  }
  if (ctx.updateActive) {
    prompter.tsxx(kUpdateActiveMessage);
    return {TocCommandResult::Refused, std::nullopt};
  }
  const SiteRecord record = rules.lookup(geturlkey(ctx.muluurl));
  if (record.empty()) return {};
  return {TocCommandResult::Fetched,
          regetzjfjnm(db, fetchTocPage(ctx.muluurl, record), ctx.bookId, *firstSelected, record)};
}

}  // namespace mozhou::engine
