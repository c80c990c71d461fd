#pragma once
// Screen metrics in the framework's units: the primary screen in twips, the work area in
// pixels, and the factors between them (1440 / the screen's logical dots per inch).
#include <cstdint>

namespace notify::ui {

// Screen pixels; right and bottom are exclusive, as Win32 rectangles are.
struct ScreenPixelRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const ScreenPixelRect&) const = default;
};

struct ScreenPixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const ScreenPixelPoint&) const = default;
};

// One monitor and its work area (the monitor less the taskbar), screen pixels; all zeros
// when unknown.
struct MonitorArea {
  ScreenPixelRect monitor;
  ScreenPixelRect workArea;
  bool operator==(const MonitorArea&) const = default;
};

struct ScreenMetrics {
  float widthTwips = 0;   // primary screen
  float heightTwips = 0;  // primary screen
  float twipsPerPixelX = 15;
  float twipsPerPixelY = 15;
  ScreenPixelRect workArea;  // all zeros when the query failed
};

// Twips per pixel for a logical resolution in dots per inch (15 at 96 dpi).
inline float TwipsPerPixel(int dotsPerInch) { return 1440.0f / static_cast<float>(dotsPerInch); }

}  // namespace notify::ui
