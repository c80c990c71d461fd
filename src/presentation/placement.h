#pragma once
// Placement and region arithmetic: the popup's own size and position are twips, the work
// area and the region are pixels, converted with the screen's real factors.
#include <cstdint>

#include "platform/ui/geometry.h"
#include "platform/ui/screen.h"

namespace notify {

// Gap between the popup and the screen's right edge, and the work area's bottom.
inline constexpr float kPopupMarginTwips = 96;

// What lies below the work area (a bottom taskbar), twips, rounded half-to-even into
// 16 bits. Throws RuntimeError when it does not fit.
std::int16_t BottomBandTwips(const ui::ScreenMetrics& screen);

// The metrics with the screen narrowed to one monitor: its right and bottom edges stand
// for the screen's size, so the placement below lands on that monitor. An empty monitor
// (unknown) leaves the metrics as they are.
ui::ScreenMetrics OnMonitor(ui::ScreenMetrics metrics, const ui::MonitorArea& area);

// The popup's top-left corner in twips: bottom right of the screen, 96 twips in from the
// right edge and above the bottom band.
PointF PopupPosition(const ui::ScreenMetrics& screen, float popupWidthTwips, float popupHeightTwips);

// The popup's top-left corner in screen pixels, for a popup `width` x `height` device
// pixels drawn at `dpi` on the area's monitor (the primary screen of `primary` when the
// area is unknown): bottom right, 96 twips in at that monitor's scale. A monitor without
// a work area counts as all work area.
Point PopupPixelPosition(const ui::ScreenMetrics& primary, const ui::MonitorArea& area, int dpi, int width,
                         int height);

// The region's exclusive right/bottom corner in pixels: size / twips-per-pixel + 1,
// rounded half-to-even into 32 bits. Throws RuntimeError when it does not fit.
Point RoundedRegionCorner(const ui::ScreenMetrics& screen, float popupWidthTwips, float popupHeightTwips);

// Corner ellipse of the region, pixels.
inline constexpr std::int16_t kRoundCornerPixels = 5;

}  // namespace notify
