// Adding a long table of contents: stozj into an empty book and over a book that knows every
// entry, beside the same statements run one by one in SQLite's autocommit mode.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/page_base.h"
#include "engine/toc_sync.h"
#include "support/program_fixture.h"

namespace {

using namespace mozhou;

constexpr int kEntries = 5000;

std::string tocPage() {
  std::string page = "<div class=\"list\"><dl>";
  for (int i = 0; i < kEntries; ++i) {
    if (i % 100 == 0) page += "<dt>第" + std::to_string(i / 100 + 1) + "卷 风起云涌</dt>";
    page += "<dd><a href=\"" + std::to_string(100000 + i) + ".html\">第" + std::to_string(i + 1) +
            "章 山雨欲来风满楼</a></dd>";
  }
  return page + "</dl></div>";
}

// withVolumes false: no heading pattern, so only the entry pattern and the statements remain.
engine::SiteRecord record(bool withVolumes = true) {
  engine::SiteRecord r(11);
  r[2] = "<dd><a href=\"([^\"]*)\">(.*?)</a></dd>";
  r[3] = "$2";
  r[4] = "[webpath]$1";
  r[5] = withVolumes ? "<dt>(.*?)</dt>" : "";
  r[6] = withVolumes ? "$1" : "";
  return r;
}

const std::string& page() {
  static const std::string p = tocPage();
  return p;
}

// One fresh program directory with one book.
struct Shelf {
  testing::TempProgramDir dir;
  std::unique_ptr<store::Database> db = dir.open();
  long long book = 0;
  Shelf() {
    db->exec("INSERT INTO book_list (typeid,bookname,muluurl,paix) VALUES (1,'书','x',1)");
    book = db->lastInsertId();
  }
};

// The statements the chapter list needs when every one runs on its own: a lookup per entry
// and an insert per new chapter, each committed by itself.
int autocommitInserts(store::Database& db, long long book,
                      const std::vector<engine::ChapterEntry>& entries) {
  long long counter =
      db.queryInt("SELECT max(paix) FROM book_zhangjie WHERE bookid=?", book).value_or(0);
  int added = 0;
  for (const engine::ChapterEntry& e : entries) {
    if (db.queryInt("SELECT zhangjieid FROM book_zhangjie WHERE bookid=? AND zhangjieurl=?", book,
                    e.url))
      continue;
    if (db.exec("INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,paix) "
                "VALUES (?,?,?,?,?)",
                book, e.name, e.volume, e.url, ++counter))
      ++added;
  }
  return added;
}

void BM_ChapterEntries(benchmark::State& state) {
  engine::setPageBase("http://www.example.com/book/1/");
  for (auto _ : state) benchmark::DoNotOptimize(engine::chapterEntries(page(), record()));
  state.SetItemsProcessed(state.iterations() * kEntries);
}

// range(0): 1 with the volume search (one search of the page in front of every new entry),
// 0 without it.
void BM_StozjEmptyBook(benchmark::State& state) {
  engine::setPageBase("http://www.example.com/book/1/");
  const engine::SiteRecord rules = record(state.range(0) == 1);
  for (auto _ : state) {
    state.PauseTiming();
    auto shelf = std::make_unique<Shelf>();
    state.ResumeTiming();
    if (engine::stozj(*shelf->db, page(), shelf->book, rules) != kEntries)
      state.SkipWithError("not every entry was added");
    state.PauseTiming();
    shelf.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_AutocommitInsertsEmptyBook(benchmark::State& state) {
  engine::setPageBase("http://www.example.com/book/1/");
  const std::vector<engine::ChapterEntry> entries = engine::chapterEntries(page(), record());
  for (auto _ : state) {
    state.PauseTiming();
    auto shelf = std::make_unique<Shelf>();
    state.ResumeTiming();
    if (autocommitInserts(*shelf->db, shelf->book, entries) != kEntries)
      state.SkipWithError("not every entry was added");
    state.PauseTiming();
    shelf.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_StozjAllKnown(benchmark::State& state) {
  engine::setPageBase("http://www.example.com/book/1/");
  Shelf shelf;
  engine::stozj(*shelf.db, page(), shelf.book, record());
  for (auto _ : state)
    if (engine::stozj(*shelf.db, page(), shelf.book, record()) != 0)
      state.SkipWithError("a known entry was added");
  state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_AutocommitAllKnown(benchmark::State& state) {
  engine::setPageBase("http://www.example.com/book/1/");
  const std::vector<engine::ChapterEntry> entries = engine::chapterEntries(page(), record());
  Shelf shelf;
  autocommitInserts(*shelf.db, shelf.book, entries);
  for (auto _ : state)
    if (autocommitInserts(*shelf.db, shelf.book, entries) != 0)
      state.SkipWithError("a known entry was added");
  state.SetItemsProcessed(state.iterations() * kEntries);
}

BENCHMARK(BM_ChapterEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StozjEmptyBook)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutocommitInsertsEmptyBook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StozjAllKnown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutocommitAllKnown)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
