#pragma once
// The primary screen's metrics from the platform: size in twips, twips per pixel
// (1440 / LOGPIXELSX, LOGPIXELSY) and the work area (SPI_GETWORKAREA) in pixels.
#include <windows.h>

#include "platform/ui/screen.h"

namespace notify::ui {

ScreenMetrics QueryScreenMetrics() noexcept;

// The monitor that holds most of the window, and its work area; all zeros when unknown.
MonitorArea MonitorOfWindow(HWND window) noexcept;

}  // namespace notify::ui
