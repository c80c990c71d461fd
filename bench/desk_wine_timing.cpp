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
  std::vector<double> perRoundUs;
  int busy = 0;
  for (int b = 0; b < kBatches; ++b) {
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i) {
      busy += desk->Busy() ? 1 : 0;
      busy += desk->Away() ? 1 : 0;
      busy += desk->PointerOverPopup() ? 1 : 0;
      busy += desk->ScreenInUse().monitor.right > 0 ? 0 : 1;
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - begin;
    perRoundUs.push_back(took.count() / kRounds);
  }
  std::sort(perRoundUs.begin(), perRoundUs.end());
  std::printf("desk questions per show: median %.1f us, slowest batch %.1f us (%d rounds; %d answers not clear)\n",
              perRoundUs[perRoundUs.size() / 2], perRoundUs.back(), kBatches * kRounds, busy);
  return 0;
}
