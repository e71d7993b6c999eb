// Opening a book of 20 000 chapters: filling its chapter list from the database, in the stored
// order and sorted by name. The list must appear at once (well below 0.25 s).
#include <benchmark/benchmark.h>

#include "store/chapter_list.h"
#include "support/program_fixture.h"

namespace {

using namespace mozhou;

constexpr int kChapters = 20000;

struct NoPrompts : app::Prompter {
  void tsxx(std::string_view) override {}
  bool qrxx(std::string_view) override { return false; }
};

// Built once for every benchmark of the run; book 1, half of it read.
const testing::TempProgramDir& fixture() {
  static const auto* dir = [] {
    auto* d = new testing::TempProgramDir();
    auto db = d->open();
    db->exec(
        "INSERT INTO book_list (typeid,bookname,authorname,muluurl,paix) "
        "VALUES (1,'长篇','作者','http://example.test/1/',1)");
    db->exec(
        "WITH RECURSIVE n(z) AS (SELECT 1 UNION ALL SELECT z+1 FROM n WHERE z<?) "
        "INSERT INTO book_zhangjie (bookid,zhangjiename,fenjuanname,zhangjieurl,paix,"
        "zishutongji,readstate) SELECT 1,'第'||z||'章 墨舟夜航长河落日','第'||(z/500+1)||'卷',"
        "'http://example.test/1/'||z||'.html',z,3000,z<=? FROM n",
        kChapters, kChapters / 2);
    return d;
  }();
  return *dir;
}

void drawList(benchmark::State& state, int order) {
  auto db = fixture().open();
  NoPrompts prompter;
  store::ChapterList list(db.get(), fixture().dir(), prompter);
  list.setBook(1);
  for (auto _ : state) {
    list.drawmulu(order);
    benchmark::DoNotOptimize(list.rows().data());
    if (list.size() != kChapters) state.SkipWithError("the list is not complete");
  }
  state.counters["rows"] = static_cast<double>(list.size());
}

void BM_DrawmuluStoredOrder(benchmark::State& state) { drawList(state, store::kOrderStored); }
void BM_DrawmuluByName(benchmark::State& state) { drawList(state, store::kOrderName); }

// Sorting rewrites every order number; alternating two orders keeps each run the same work.
void BM_ZjpaixWholeBook(benchmark::State& state) {
  auto db = fixture().open();
  NoPrompts prompter;
  store::ChapterList list(db.get(), fixture().dir(), prompter);
  list.setBook(1);
  int order = store::kOrderName;
  for (auto _ : state) {
    list.zjpaix(order);
    order = order == store::kOrderName ? store::kOrderUrl : store::kOrderName;
  }
  list.drawmulu(store::kOrderStored);
  if (list.size() != kChapters) state.SkipWithError("the list is not complete");
}

BENCHMARK(BM_DrawmuluStoredOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawmuluByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZjpaixWholeBook)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
