// Selection time next to the bare Load time of the same catalogue and cache; the ratio is
// the figure that matters. Run: build/linux/bin/notify_bench --benchmark_filter=Catalogue
#include <benchmark/benchmark.h>

#include "catalogue_bench_data.h"

namespace notify::bench {
namespace {

void RunSelection(benchmark::State& state, SeenLookup lookup, bool audience = false) {
  const int size = static_cast<int>(state.range(0));
  CatalogueWorkload workload(size, size, audience);
  auto doc = CatalogueWorkload::NewDocument();
  for (auto _ : state) {
    CatalogueState result;
    if (!SelectMessages(doc.get(), result, workload.env, lookup)) state.SkipWithError("selection failed");
    benchmark::DoNotOptimize(result.Messages.data());
  }
}

void CatalogueSelection(benchmark::State& state) { RunSelection(state, SeenLookup::Hashed); }
void CatalogueSelectionLinearScan(benchmark::State& state) { RunSelection(state, SeenLookup::LinearScan); }
// The same catalogue with every audience attribute on every message; within 1.2x of the above.
void CatalogueSelectionAudience(benchmark::State& state) { RunSelection(state, SeenLookup::Hashed, true); }

// One Load of the catalogue and one of the cache: the least any selection must do.
void CatalogueBareLoad(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  CatalogueWorkload workload(size, size);
  auto doc = CatalogueWorkload::NewDocument();
  for (auto _ : state) {
    if (!doc->Load(workload.catalogPath) || !doc->Load(workload.cachePath)) state.SkipWithError("load failed");
  }
}

BENCHMARK(CatalogueBareLoad)->Arg(10)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(CatalogueSelection)->Arg(10)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(CatalogueSelectionAudience)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(CatalogueSelectionLinearScan)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace notify::bench
