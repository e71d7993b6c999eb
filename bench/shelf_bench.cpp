// Opening the bookshelf: drawing the tree of 200 books with 2 000 chapters each, every book's
// unread count computed from its chapters. The shelf must appear at once (well below 0.1 s).
#include <benchmark/benchmark.h>

#include <memory>

#include "store/shelf.h"
#include "support/program_fixture.h"

namespace {

using namespace mozhou;

constexpr int kCategories = 10;
constexpr int kBooks = 200;
constexpr int kChapters = 2000;

struct NoPrompts : app::Prompter {
  void tsxx(std::string_view) override {}
  bool qrxx(std::string_view) override { return false; }
};

struct Idle : store::UpdateControl {
  bool updateRunning() const override { return false; }
  void startBookUpdate(long long) override {}
  void stopUpdate() override {}
};

// Built once for every benchmark of the run.
const testing::TempProgramDir& fixture() {
  static const auto* dir = [] {
    auto* d = new testing::TempProgramDir();
    auto db = d->open();
    store::Transaction tx(*db);
    for (int c = 1; c <= kCategories; ++c)
      db->exec("INSERT INTO book_type (typename,paix) VALUES (?,?)", "分类" + std::to_string(c), c);
    for (int b = 1; b <= kBooks; ++b) {
      db->exec(
          "INSERT INTO book_list (typeid,bookname,authorname,muluurl,downtype,paix) "
          "VALUES (?,?,'作者',?,0,?)",
          (b - 1) % kCategories + 1, "小说" + std::to_string(b),
          "http://example.test/" + std::to_string(b) + "/", b);
      // Most chapters read, the newest b not: the usual state of a followed novel.
      db->exec(
          "WITH RECURSIVE n(z) AS (SELECT 1 UNION ALL SELECT z+1 FROM n WHERE z<?) "
          "INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,paix,"
          "zishutongji,readstate) SELECT ?,'第'||z||'章','','/'||z||'.html',z,3000,z<=? FROM n",
          kChapters, b, kChapters - b);
    }
    tx.commit();
    return d;
  }();
  return *dir;
}

void BM_DrawShelf(benchmark::State& state) {
  auto db = fixture().open();
  NoPrompts prompter;
  Idle updates;
  store::CurrentBook current;
  for (auto _ : state) {
    store::Shelf shelf(db.get(), fixture().dir(), prompter, updates, current);
    shelf.drawbookpanel();
    benchmark::DoNotOptimize(shelf.root().childCount());
    long long unread = 0;
    for (const store::ShelfNode* b : shelf.booksInTreeOrder()) unread += b->item().unread;
    // Book b has b unread chapters.
    if (unread != kBooks * (kBooks + 1) / 2) state.SkipWithError("wrong unread counts");
  }
}
BENCHMARK(BM_DrawShelf)->Unit(benchmark::kMillisecond);

// The same with the connection opened first, as at start-up.
void BM_OpenAndDrawShelf(benchmark::State& state) {
  fixture();
  NoPrompts prompter;
  Idle updates;
  store::CurrentBook current;
  for (auto _ : state) {
    auto db = fixture().open();
    store::Shelf shelf(db.get(), fixture().dir(), prompter, updates, current);
    shelf.drawbookpanel();
    benchmark::DoNotOptimize(shelf.root().childCount());
  }
}
BENCHMARK(BM_OpenAndDrawShelf)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
