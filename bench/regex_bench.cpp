// Throughput of the regular-expression service on a table-of-contents page, next to
// std::regex doing the same search, so that the engine's cost can be judged in context.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "text/regex.h"

namespace {

constexpr int kEntries = 10000;
const char kPattern[] = "<dd><a href=\"(.*?)\">(.*?)</a></dd>";

// About 1 MB: 10 000 entries of a little over 100 bytes each.
const std::string& tocPage() {
  static const std::string page = [] {
    std::string p = "<html><body><div id=\"list\"><dl>";
    for (int i = 1; i <= kEntries; ++i) {
      const std::string n = std::to_string(i);
      p += "<dd><a href=\"/book/1/" + n + ".html\">第" + n +
           "章 标题墨舟夜航长河落日圆孤烟直大漠静无声</a></dd>";
    }
    return p + "</dl></div></body></html>";
  }();
  return page;
}

void BM_RegexExecute(benchmark::State& state) {
  const std::string& page = tocPage();
  std::size_t found = 0;
  for (auto _ : state) {
    const mozhou::text::RegexResult r = mozhou::text::regexExecute(kPattern, page);
    found = r.matches.size();
    benchmark::DoNotOptimize(r.matches.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.counters["matches"] = static_cast<double>(found);
  if (found != kEntries) state.SkipWithError("regexExecute did not find every entry");
}

void BM_StdRegex(benchmark::State& state) {
  const std::string& page = tocPage();
  const std::regex re(kPattern, std::regex::ECMAScript | std::regex::icase);
  std::size_t found = 0;
  for (auto _ : state) {
    // The same work as regexExecute: the text of every match and of its groups.
    std::vector<std::vector<std::string>> matches;
    for (std::sregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it) {
      matches.push_back({it->str(0), it->str(1), it->str(2)});
    }
    found = matches.size();
    benchmark::DoNotOptimize(matches.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.counters["matches"] = static_cast<double>(found);
  if (found != kEntries) state.SkipWithError("std::regex did not find every entry");
}

BENCHMARK(BM_RegexExecute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's bytes per second for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates[run.run_name.function_name] = it->second.value;
    }
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("page: %zu bytes, %d entries\n", tocPage().size(), kEntries);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto pcre2 = reporter.rates.find("BM_RegexExecute");
  const auto stdRegex = reporter.rates.find("BM_StdRegex");
  if (pcre2 != reporter.rates.end() && stdRegex != reporter.rates.end() && stdRegex->second > 0) {
    std::printf("regex speed ratio (pcre2 / std::regex): %.1fx\n",
                pcre2->second / stdRegex->second);
  }
  return 0;
}
