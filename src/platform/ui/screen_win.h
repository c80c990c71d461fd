#pragma once
// The primary screen's metrics from the platform: size in twips, twips per pixel
// (1440 / LOGPIXELSX, LOGPIXELSY) and the work area (SPI_GETWORKAREA) in pixels.
#include "platform/ui/screen.h"

namespace notify::ui {

ScreenMetrics QueryScreenMetrics() noexcept;

}  // namespace notify::ui
