#include "platform/ui/dpi_win.h"

#include "platform/handles_win.h"
#include "platform/ui/geometry_win.h"
#include "platform/ui/scale.h"

namespace notify::ui {

int SystemDpi() noexcept {
  win::ReleaseDcOwner screen(nullptr);
  const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : kBaseDpi;
}

namespace {

// Windows 8.1 and later: the monitor's effective DPI from the shell's scaling library.
int EffectiveDpi(HMONITOR monitor) noexcept {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpiForMonitor = [] {
    HMODULE shcore = ::LoadLibraryW(L"shcore.dll");  // kept for the process's life
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(::GetProcAddress(shcore, "GetDpiForMonitor")) : nullptr;
  }();
  UINT x = 0;
  UINT y = 0;
  constexpr int kEffectiveDpi = 0;
  if (getDpiForMonitor != nullptr && monitor != nullptr && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) &&
      x > 0) {
    return static_cast<int>(x);
  }
  return SystemDpi();
}

}  // namespace

int WindowDpi(HWND window) noexcept {
  // Looked up at run time: the executable must still start on Windows 7.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
  if (window == nullptr) return SystemDpi();
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi > 0) return static_cast<int>(dpi);
  }
  return EffectiveDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

int MonitorDpi(const Edges& monitor) noexcept {
  const RECT r = ToRECT(monitor);
  return EffectiveDpi(IsEmpty(monitor) ? ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)
                            : ::MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY));
}

}  // namespace notify::ui
