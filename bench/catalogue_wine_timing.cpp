// Selection time next to the bare Load time under Wine (MSXML backend): the median of
// several runs per size, wall and thread CPU time, printed as Markdown rows for
// docs/performance.md.
//   tools/winenv.sh wine build/windows/bin/catalogue_wine_timing.exe
#include <windows.h>

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

struct Timing {
  double wallMs = -1;
  double cpuMs = -1;
};

// User plus kernel time of this thread (MSXML runs in it), in milliseconds.
double ThreadCpuMs() {
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (!GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Timing Measure(int runs, const std::function<bool()>& body) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const double cpuStart = ThreadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    if (!body()) return {};
    wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    cpu.push_back(ThreadCpuMs() - cpuStart);
  }
  return {Median(wall), Median(cpu)};
}

int Run() {
  std::printf(
      "| n = m | bare load, CPU (ms) | selection, CPU (ms) | ratio (CPU) | bare load, wall (ms) | selection, wall (ms) "
      "| ratio (wall) |\n|---|---|---|---|---|---|---|\n");
  Timing linear;
  for (const int size : {10, 1000, 32767}) {
    CatalogueWorkload workload(size, size);
    auto doc = CatalogueWorkload::NewDocument();
    if (!doc) return 1;
    const int runs = size > 10000 ? 3 : 7;
    auto select = [&](SeenLookup lookup) {
      return [&, lookup] {
        CatalogueState state;
        return SelectMessages(doc.get(), state, workload.env, lookup);
      };
    };
    const Timing load = Measure(runs, [&] { return doc->Load(workload.catalogPath) && doc->Load(workload.cachePath); });
    const Timing selection = Measure(runs, select(SeenLookup::Hashed));
    if (size > 10000) linear = Measure(1, select(SeenLookup::LinearScan));
    if (load.wallMs < 0 || selection.wallMs < 0 || (size > 10000 && linear.wallMs < 0)) {
      std::printf("size %d: a load or the selection failed\n", size);
      return 1;
    }
    std::printf("| %d | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", size, load.cpuMs, selection.cpuMs,
                selection.cpuMs / load.cpuMs, load.wallMs, selection.wallMs, selection.wallMs / load.wallMs);
  }
  std::printf("\nLinear-scan selection at 32767: %.0f ms CPU, %.0f ms wall\n", linear.cpuMs, linear.wallMs);
  return 0;
}

}  // namespace
}  // namespace notify::bench

int main() {
  const notify::win::CoUninitializeOwner com;
  return notify::bench::Run();
}
