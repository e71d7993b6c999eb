// The CPU side of storing a chapter: content rules s7 and s10 (with the reference decoding)
// and the word count on a 100 KB chapter page, no network and no disk.
#include <benchmark/benchmark.h>

#include "engine/content.h"
#include "support/novel_sites.h"
#include "text/codec.h"

namespace {

using namespace mozhou;

std::string chapterPage() {
  std::string body;
  while (body.size() < 100 * 1024) {
    body +=
        "&nbsp;&nbsp;&nbsp;&nbsp;山门外的雨下了一整夜，他说&ldquo;走吧&rdquo;&#65292;"
        "&#20013;&#22269;&#039;s road, and the night went on.<br />";
    if (body.size() % 7 == 0) body += "<script>showad();</script>";
  }
  return "<html><head><title>第一章</title></head><body><div class=\"ad\">广告</div>"
         "<div id=\"content\">" +
         body + "</div><div class=\"ad\">广告：充值送书券</div></body></html>";
}

void BM_ChapterPipelineCpu(benchmark::State& state) {
  const std::string page = chapterPage();
  const engine::SiteRecord record = testing::gbkRecord();
  long long words = 0;
  for (auto _ : state) {
    const std::string text = engine::chapterText(page, record);
    words = engine::zishutj(text);
    benchmark::DoNotOptimize(words);
  }
  state.counters["page_KB"] = static_cast<double>(text::toLegacy(page).size()) / 1024.0;
  state.counters["words"] = static_cast<double>(words);
  state.SetItemsProcessed(state.iterations());  // chapters
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(page.size()));
}

BENCHMARK(BM_ChapterPipelineCpu)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
