// Updating a 1 000-chapter novel from the demo site on loopback, next to fetching the same
// 1 000 chapter pages one after another with libcurl alone: the ratio is what our own work
// (rules, pictures, files, database) costs on top of the network.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <cstdio>

#include "app/main_thread.h"
#include "engine/site_rules.h"
#include "engine/update_run.h"
#include "store/shelf.h"
#include "support/demo_program.h"

namespace {

using namespace mozhou;
constexpr int kChapters = 1000;

struct QuietView : engine::UpdateView {
  void indicatorsChanged(const engine::UpdateIndicators&) override {}
  void setBookImage(long long, int) override {}
  void bookUpdated(long long) override {}
  std::vector<long long> selectedChapterIds() override { return {}; }
  std::vector<engine::QueueNode> displayOrder() override { return {}; }
  void expandCategory(long long) override {}
  std::optional<engine::UpdateBook> book(long long) override { return std::nullopt; }
  void setQueueTimer(bool) override {}
};

double gUpdateSeconds = 0, gCurlSeconds = 0;

void BM_UpdateNovel(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    testing::DemoProgram program;
    auto db = program.open();
    db->exec(
        "INSERT INTO book_list (typeid,bookname,authorname,muluurl,downtype,paix) "
        "VALUES (1,'big','',?,0,1)",
        program.site.bigTocAddress(kChapters));
    const long long bookId = db->lastInsertId();
    engine::RuleText rules;
    rules.load(program.dir());
    app::TaskQueue queue;
    QuietView view;
    engine::Updater updater(program.dir(), queue, rules, view);
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    updater.startRun({bookId, "big", program.site.bigTocAddress(kChapters)}, 0);
    while (updater.runActive()) queue.pumpFor(5);
    updater.joinFinished();
    gUpdateSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.PauseTiming();
    const auto done =
        db->queryInt("SELECT count(*) FROM book_zhangjie WHERE bookid=? AND zishutongji>0", bookId);
    if (done.value_or(0) != kChapters) state.SkipWithError("not every chapter was downloaded");
    state.ResumeTiming();
  }
  state.counters["chapters_per_s"] = kChapters / gUpdateSeconds;
}

size_t discard(char*, size_t size, size_t n, void*) { return size * n; }

void BM_PlainCurlFetch(benchmark::State& state) {
  demo::DemoSite site;
  if (!site.start(0)) return state.SkipWithError("demo site did not start");
  const auto chapters = site.chapters("big/" + std::to_string(kChapters));
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    for (const auto& c : chapters) {
      CURL* h = curl_easy_init();
      curl_easy_setopt(h, CURLOPT_URL, c.address.c_str());
      curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, discard);
      curl_easy_perform(h);
      curl_easy_cleanup(h);
    }
    gCurlSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["chapters_per_s"] = static_cast<double>(chapters.size()) / gCurlSeconds;
}

BENCHMARK(BM_UpdateNovel)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_PlainCurlFetch)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (gUpdateSeconds > 0 && gCurlSeconds > 0)
    std::printf(
        "update of %d chapters: %.0f chapters/s; plain libcurl fetch: %.0f pages/s; "
        "ratio (update time / fetch time): %.2fx\n",
        kChapters, kChapters / gUpdateSeconds, kChapters / gCurlSeconds,
        gUpdateSeconds / gCurlSeconds);
  return 0;
}
