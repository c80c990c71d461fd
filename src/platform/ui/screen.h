#pragma once
// Screen metrics in the framework's units: the primary screen in twips, the work area in
// pixels, and the factors between them (1440 / the screen's logical dots per inch).
#include "platform/ui/geometry.h"

namespace notify::ui {

// One monitor and its work area (the monitor less the taskbar), screen pixels; all zeros
// when unknown.
struct MonitorArea {
  Edges monitor;
  Edges workArea;
  bool operator==(const MonitorArea&) const = default;
};

struct ScreenMetrics {
  float widthTwips = 0;   // primary screen
  float heightTwips = 0;  // primary screen
  float twipsPerPixelX = 15;
  float twipsPerPixelY = 15;
  Edges workArea;  // all zeros when the query failed
};

// Twips per pixel for a logical resolution in dots per inch (15 at 96 dpi).
inline float TwipsPerPixel(int dotsPerInch) { return 1440.0f / static_cast<float>(dotsPerInch); }

}  // namespace notify::ui
