#include "platform/ui/screen_win.h"

#include <windows.h>

#include "platform/handles_win.h"

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
  metrics.workArea = {work.left, work.top, work.right, work.bottom};
  return metrics;
}

}  // namespace notify::ui
