#include "platform/ui/dpi_win.h"

#include "platform/handles_win.h"
#include "platform/ui/scale.h"

namespace notify::ui {

int SystemDpi() noexcept {
  win::ReleaseDcOwner screen(nullptr);
  const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) noexcept {
  // Looked up at run time: the executable must still start on Windows 7.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
  if (getDpiForWindow != nullptr && window != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi > 0) return static_cast<int>(dpi);
  }
  // Windows 8.1: the monitor's effective DPI from the shell's scaling library.
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto getDpiForMonitor = [] {
    HMODULE shcore = ::LoadLibraryW(L"shcore.dll");  // kept for the process's life
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(::GetProcAddress(shcore, "GetDpiForMonitor")) : nullptr;
  }();
  if (getDpiForMonitor != nullptr && window != nullptr) {
    UINT x = 0;
    UINT y = 0;
    constexpr int kEffectiveDpi = 0;
    if (SUCCEEDED(getDpiForMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
        x > 0) {
      return static_cast<int>(x);
    }
  }
  return SystemDpi();
}

}  // namespace notify::ui
