// Selection time next to the bare Load time under Wine (MSXML backend): the median of
// several runs per size, printed as Markdown rows for docs/performance.md.
//   tools/winenv.sh wine build/windows/bin/catalogue_wine_timing.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "catalogue_bench_data.h"
#include "platform/handles_win.h"

namespace notify::bench {
namespace {

double MedianMs(int runs, const std::function<bool()>& body) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!body()) return -1;
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int Run() {
  std::printf("| n = m | bare load (ms) | selection (ms) | ratio | linear scan (ms) |\n|---|---|---|---|---|\n");
  for (const int size : {10, 1000, 32767}) {
    CatalogueWorkload workload(size, size);
    auto doc = CatalogueWorkload::NewDocument();
    if (!doc) return 1;
    const int runs = size > 10000 ? 3 : 7;
    const double load = MedianMs(runs, [&] { return doc->Load(workload.catalogPath) && doc->Load(workload.cachePath); });
    auto select = [&](SeenLookup lookup) {
      return [&, lookup] {
        CatalogueState state;
        return SelectMessages(doc.get(), state, workload.env, lookup);
      };
    };
    const double selection = MedianMs(runs, select(SeenLookup::Hashed));
    const double linear = size > 10000 ? MedianMs(1, select(SeenLookup::LinearScan)) : 0;
    if (load < 0 || selection < 0 || linear < 0) {
      std::printf("size %d: a load or the selection failed\n", size);
      return 1;
    }
    std::printf("| %d | %.2f | %.2f | %.2f | %s |\n", size, load, selection, selection / load,
                linear > 0 ? std::to_string(linear).c_str() : "-");
  }
  return 0;
}

}  // namespace
}  // namespace notify::bench

int main() {
  const notify::win::CoUninitializeOwner com;
  return notify::bench::Run();
}
