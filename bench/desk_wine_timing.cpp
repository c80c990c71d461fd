// What the person at the desk costs before each show: the three questions (a good moment?
// anybody there? the pointer on the popup?) plus the monitor in use, asked of Windows the
// way the show loop asks them. Prints the median and the slowest batch, in microseconds
// per round. lifecycle_bench.py runs it with another program's window in the foreground.
//   tools/winenv.sh wine build/windows/bin/desk_wine_timing.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/desk_win.h"
#include "platform/handles_win.h"

int main() {
  // A visible popup of Notify's size that never takes the activation, like Notify's own.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DeskTimingPopup";
  if (::RegisterClassW(&wc) == 0) return 1;
  notify::win::DestroyWindowOwner popup(::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"",
                                                          WS_POPUP, 900, 780, 327, 187, nullptr, nullptr,
                                                          wc.hInstance, nullptr));
  if (!popup) return 1;
  ::ShowWindow(popup.get(), SW_SHOWNOACTIVATE);
  const auto desk = notify::CreateWinDesk(popup.get());

  constexpr int kBatches = 11, kRounds = 200;
  int notClear = 0;
  // Median microseconds per call of one question over kBatches batches of kRounds calls.
  auto time = [&](auto&& question) {
    std::vector<double> perCallUs;
    for (int b = 0; b < kBatches; ++b) {
      const auto begin = std::chrono::steady_clock::now();
      for (int i = 0; i < kRounds; ++i) notClear += question() ? 1 : 0;
      const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - begin;
      perCallUs.push_back(took.count() / kRounds);
    }
    std::sort(perCallUs.begin(), perCallUs.end());
    return perCallUs;
  };
  const auto busy = time([&] { return desk->Busy(); });
  const auto away = time([&] { return desk->Away(); });
  const auto pointer = time([&] { return desk->PointerOverPopup(); });
  const auto screen = time([&] { return desk->ScreenInUse().monitor.right <= 0; });
  const auto all = time([&] {
    return desk->Busy() || desk->Away() || desk->PointerOverPopup() || desk->ScreenInUse().monitor.right <= 0;
  });
  auto median = [](const std::vector<double>& v) { return v[v.size() / 2]; };
  // The process's own CPU per call, beside the wall time above (which includes waiting on
  // the window server).
  auto cpuUs = [] {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10.0;
  };
  const double cpuBefore = cpuUs();
  constexpr int kCpuRounds = 5000;
  for (int i = 0; i < kCpuRounds; ++i) notClear += (desk->PointerOverPopup() || desk->Away()) ? 1 : 0;
  const double countdownCpu = (cpuUs() - cpuBefore) / kCpuRounds;
  const double cpuBefore2 = cpuUs();
  for (int i = 0; i < kCpuRounds; ++i) notClear += (desk->Busy() || desk->Away()) ? 1 : 0;
  const double deferCpu = (cpuUs() - cpuBefore2) / kCpuRounds;
  std::printf("process CPU per check, us: countdown step (pointer, away) %.1f, deferral check (moment, away) %.1f\n",
              countdownCpu, deferCpu);
  std::printf("desk questions, median us per call: good moment %.1f, away %.1f, pointer %.1f, screen %.1f\n",
              median(busy), median(away), median(pointer), median(screen));
  std::printf("all four before a show: median %.1f us, slowest batch %.1f us (%d batches of %d; %d answers not clear)\n",
              median(all), all.back(), kBatches, kRounds, notClear);
  return 0;
}
