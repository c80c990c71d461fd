#include "presentation/placement.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/error.h"

namespace notify {
namespace {

template <class Int>
Int RoundInto(double value) {
  const double rounded = std::nearbyint(value);  // halves to even
  if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    Fail("overflow");
  }
  return static_cast<Int>(rounded);
}

}  // namespace

std::int16_t BottomBandTwips(const ui::ScreenMetrics& screen) {
  const double band = static_cast<double>(screen.heightTwips) -
                      static_cast<double>(screen.twipsPerPixelY) * screen.workArea.bottom;
  return RoundInto<std::int16_t>(band);
}

ui::ScreenMetrics OnMonitor(ui::ScreenMetrics metrics, const ui::MonitorArea& area) {
  const auto& monitor = area.monitor;
  if (IsEmpty(monitor)) return metrics;
  metrics.widthTwips = static_cast<float>(monitor.right) * metrics.twipsPerPixelX;
  metrics.heightTwips = static_cast<float>(monitor.bottom) * metrics.twipsPerPixelY;
  metrics.workArea = area.workArea;
  return metrics;
}

PointF PopupPosition(const ui::ScreenMetrics& screen, float popupWidthTwips, float popupHeightTwips) {
  const float band = BottomBandTwips(screen);
  return {screen.widthTwips - popupWidthTwips - kPopupMarginTwips,
          screen.heightTwips - popupHeightTwips - band - kPopupMarginTwips};
}

Point PopupPixelPosition(const ui::ScreenMetrics& primary, const ui::MonitorArea& area, int dpi, int width,
                         int height) {
  ui::MonitorArea known = area;
  if (IsEmpty(known.monitor)) {
    known.monitor = {0, 0, RoundInto<std::int32_t>(primary.widthTwips / primary.twipsPerPixelX),
                     RoundInto<std::int32_t>(primary.heightTwips / primary.twipsPerPixelY)};
    known.workArea = primary.workArea;
  }
  if (IsEmpty(known.workArea)) known.workArea = known.monitor;
  // The twips arithmetic above, with the monitor's own pixels as the unit.
  ui::ScreenMetrics scaled;
  scaled.twipsPerPixelX = scaled.twipsPerPixelY = ui::TwipsPerPixel(dpi);
  scaled = OnMonitor(scaled, known);
  const float tpp = scaled.twipsPerPixelX;
  const PointF at = PopupPosition(scaled, static_cast<float>(width) * tpp, static_cast<float>(height) * tpp);
  return {RoundInto<std::int32_t>(at.x / tpp), RoundInto<std::int32_t>(at.y / tpp)};
}

Point RoundedRegionCorner(const ui::ScreenMetrics& screen, float popupWidthTwips, float popupHeightTwips) {
  return {RoundInto<std::int32_t>(static_cast<double>(popupWidthTwips) / screen.twipsPerPixelX + 1),
          RoundInto<std::int32_t>(static_cast<double>(popupHeightTwips) / screen.twipsPerPixelY + 1)};
}

}  // namespace notify
