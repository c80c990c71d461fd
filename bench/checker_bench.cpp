// The checker next to the selection on the same catalogue and cache; the checker runs the
// selection once with its observer, then places, skins, sounds and its report. The ratio
// CatalogueChecker / CatalogueSelection is the figure that matters (at most 2).
// Run: build/linux/bin/notify_bench --benchmark_filter='Catalogue(Checker|Selection)/32767'
#include <benchmark/benchmark.h>

#include "catalogue_bench_data.h"
#include "checker/check.h"
#include "checker/report_format.h"

namespace notify::bench {
namespace {

void CatalogueChecker(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  CatalogueWorkload workload(size, size);
  auto doc = CatalogueWorkload::NewDocument();
  checker::CheckOptions options;
  options.folder = ProgramFolder();
  options.today = workload.env.Today();
  options.cache = checker::CacheMode::File;
  options.cacheFile = workload.cachePath;
  options.dates = workload.env.Dates;
  for (auto _ : state) {
    const auto report = checker::CheckFolder(options, *doc);
    if (!report.readable) state.SkipWithError("the checker found the catalogue unreadable");
    const std::string json = checker::FormatJson(report);
    benchmark::DoNotOptimize(json.data());
  }
}

BENCHMARK(CatalogueChecker)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace notify::bench
