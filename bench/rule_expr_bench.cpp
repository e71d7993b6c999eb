// Rule application on pages of realistic size: a long table of contents and a full rule text.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/rule_expr.h"
#include "engine/site_rules.h"
#include "support/rule_file.h"

namespace {

std::string tableOfContents(int chapters) {
  std::string page = "<html><body><div class=\"list\">";
  for (int i = 0; i < chapters; ++i)
    page += "<dd><a href=\"/book/12/" + std::to_string(100000 + i) + ".html\">第" +
            std::to_string(i + 1) + "章 标题</a></dd>";
  return page + "</div></body></html>";
}

void BM_PregplaceWithGroups(benchmark::State& state) {
  const std::string page = tableOfContents(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(mozhou::engine::pregplace(page, "<a href=\"(.*?)\">(.*?)</a>",
                                                       "<a href=\"[webpath]$1\">$2</a>"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_PregplaceWithGroups)->Arg(500)->Arg(5000);

void BM_RuleList(benchmark::State& state) {
  const std::string page = tableOfContents(static_cast<int>(state.range(0)));
  const std::string list =
      "{{1}}<div class=\"list\">{{t}}</div>\r\n{{2}}<dd>{{t}}\r\n{{3}}</dd>{{t}}#13#10\r\n"
      "{{0}}4{{t}}";
  for (auto _ : state) benchmark::DoNotOptimize(mozhou::engine::guizstr(page, list));
}
BENCHMARK(BM_RuleList)->Arg(5000);

std::string ruleText(int sites) {
  std::string text;
  for (int i = 0; i < sites; ++i)
    text += mozhou::testing::siteRecordLine(
                ".site" + std::to_string(i) + ".com",
                {"", "{{1}}<div class=\"list\">{{t}}</div>", "<a href=\"(.*?)\">(.*?)</a>", "$2",
                 "[webpath]$1", "", "", "{{1}}<div id=\"content\">{{t}}</div>", "", "", ""}) +
            "\r\n";
  return text;
}

void BM_LookupLastRecord(benchmark::State& state) {
  const std::string text = ruleText(static_cast<int>(state.range(0)));
  const std::string key = ".site" + std::to_string(state.range(0) - 1) + ".com";
  for (auto _ : state) benchmark::DoNotOptimize(mozhou::engine::getdsbykey(text, key));
}
BENCHMARK(BM_LookupLastRecord)->Arg(1000);

void BM_LookupUnknownSite(benchmark::State& state) {
  const std::string text = ruleText(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(mozhou::engine::getdsbykey(text, ".www.unknown.example.org"));
}
BENCHMARK(BM_LookupUnknownSite)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
