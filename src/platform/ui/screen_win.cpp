#include "platform/ui/screen_win.h"

#include <windows.h>

#include "platform/handles_win.h"
#include "platform/ui/geometry_win.h"

namespace notify::ui {

ScreenMetrics QueryScreenMetrics() noexcept {
  ScreenMetrics metrics;
  {
    win::ReleaseDcOwner screen(nullptr);
    if (screen.get() != nullptr) {
      const int dpiX = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
      const int dpiY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
      if (dpiX > 0) metrics.twipsPerPixelX = TwipsPerPixel(dpiX);
      if (dpiY > 0) metrics.twipsPerPixelY = TwipsPerPixel(dpiY);
    }
  }
  metrics.widthTwips = static_cast<float>(::GetSystemMetrics(SM_CXSCREEN)) * metrics.twipsPerPixelX;
  metrics.heightTwips = static_cast<float>(::GetSystemMetrics(SM_CYSCREEN)) * metrics.twipsPerPixelY;
  // The result is not examined: a failed query leaves the rectangle all zeros.
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  metrics.workArea = ToEdges(work);
  return metrics;
}

MonitorArea MonitorOfWindow(HWND window) noexcept {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (monitor == nullptr || !::GetMonitorInfoW(monitor, &info)) return {};
  return {ToEdges(info.rcMonitor), ToEdges(info.rcWork)};
}

}  // namespace notify::ui
