#include "presentation/placement.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/error.h"

namespace notify {
namespace {

ui::ScreenMetrics Screen(float widthPx, float heightPx, float tpp, std::int32_t workBottom) {
  ui::ScreenMetrics s;
  s.twipsPerPixelX = tpp;
  s.twipsPerPixelY = tpp;
  s.widthTwips = widthPx * tpp;
  s.heightTwips = heightPx * tpp;
  s.workArea = {0, 0, static_cast<std::int32_t>(widthPx), workBottom};
  return s;
}

TEST(Placement, BottomRightAboveTheBottomBand) {
  struct Case {
    const char* name;
    ui::ScreenMetrics screen;
    float popupW, popupH;
    std::int16_t band;
    PointF at;
  };
  const std::vector<Case> cases = {
      // A 40 px taskbar at 15 twips per pixel is a 600-twip band.
      {"taskbar 40 px", Screen(1280, 1024, 15, 984), 4500, 3000, 600, {19200 - 4500 - 96, 15360 - 3000 - 600 - 96}},
      {"no taskbar", Screen(1280, 1024, 15, 1024), 4500, 3000, 0, {14604, 12264}},
      {"120 dpi", Screen(1600, 1200, 12, 1160), 3600, 2400, 480, {19200 - 3600 - 96, 14400 - 2400 - 480 - 96}},
      // A failed work-area query leaves zeros: the whole screen counts as band.
      {"empty work area", Screen(800, 600, 15, 0), 3000, 1500, 9000, {12000 - 3000 - 96, -1596}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BottomBandTwips(c.screen), c.band);
    const PointF at = PopupPosition(c.screen, c.popupW, c.popupH);
    EXPECT_EQ(at, c.at);
    // Right edge 96 twips in from the screen; bottom 96 twips above the band.
    EXPECT_EQ(c.screen.widthTwips - (at.x + c.popupW), 96);
    EXPECT_EQ(c.screen.heightTwips - c.band - (at.y + c.popupH), 96);
  }
}

TEST(Placement, OnlyTheBottomOfTheWorkAreaCounts) {
  ui::ScreenMetrics right = Screen(1280, 1024, 15, 1024);
  right.workArea = {0, 0, 1220, 1024};  // taskbar at the right
  ui::ScreenMetrics top = Screen(1280, 1024, 15, 1024);
  top.workArea = {0, 40, 1280, 1024};  // taskbar at the top
  const PointF plain = PopupPosition(Screen(1280, 1024, 15, 1024), 4500, 3000);
  EXPECT_EQ(PopupPosition(right, 4500, 3000), plain);
  EXPECT_EQ(PopupPosition(top, 4500, 3000), plain);
}

TEST(Placement, OnAMonitorBesideThePrimaryThePopupSitsAtThatMonitorsBottomRight) {
  const ui::ScreenMetrics primary = Screen(1280, 1024, 15, 984);
  // Unknown monitor, or the primary one itself: exactly today's place.
  EXPECT_EQ(PopupPosition(OnMonitor(primary, {}), 4500, 3000), PopupPosition(primary, 4500, 3000));
  EXPECT_EQ(PopupPosition(OnMonitor(primary, {{0, 0, 1280, 1024}, {0, 0, 1280, 984}}), 4500, 3000),
            PopupPosition(primary, 4500, 3000));
  // A 1920 x 1080 monitor to the right, its taskbar 48 px high; and one to the left, lower.
  const PointF right = PopupPosition(OnMonitor(primary, {{1280, 0, 3200, 1080}, {1280, 0, 3200, 1032}}), 4500, 3000);
  EXPECT_EQ(right, (PointF{3200 * 15 - 4500 - 96, 1032 * 15 - 3000 - 96}));
  const PointF left = PopupPosition(OnMonitor(primary, {{-1024, 200, 0, 968}, {-1024, 200, 0, 968}}), 4500, 3000);
  EXPECT_EQ(left, (PointF{-4500 - 96, 968 * 15 - 3000 - 96}));
}

TEST(Placement, BandRoundsHalvesToEvenAndOverflowFails) {
  struct Case {
    float heightTwips;
    float tpp;
    std::int32_t workBottom;
    std::int16_t band;
  };
  const std::vector<Case> cases = {
      {1000, 12.5f, 79, 12},   // 12.5
      {1000, 12.5f, 77, 38},   // 37.5
      {1000, 12.5f, 81, -12},  // -12.5
      {32767, 15, 0, 32767},
  };
  for (const auto& c : cases) {
    ui::ScreenMetrics s;
    s.heightTwips = c.heightTwips;
    s.twipsPerPixelY = c.tpp;
    s.workArea.bottom = c.workBottom;
    EXPECT_EQ(BottomBandTwips(s), c.band) << c.workBottom;
  }
  ui::ScreenMetrics tall;
  tall.heightTwips = 32768;
  EXPECT_THROW(BottomBandTwips(tall), RuntimeError);
  EXPECT_THROW(PopupPosition(tall, 100, 100), RuntimeError);
}

// A monitor with no pixel inside (unknown, zero-wide, zero-high, turned over) is the primary
// screen; an empty work area is the whole monitor.
TEST(Placement, PixelPositionOnTheMonitorOrThePrimaryScreen) {
  struct Case {
    const char* name;
    ui::MonitorArea area;
    int dpi;
    Point at;
  };
  const Edges second{1280, 0, 3200, 1080};
  const Edges secondWork{1280, 0, 3200, 1032};
  const std::vector<Case> cases = {
      {"unknown", {}, 96, {974, 778}},
      {"second", {second, secondWork}, 96, {2894, 826}},
      {"second, no work area", {second, {}}, 96, {2894, 874}},
      {"second at 144 dpi", {second, secondWork}, 144, {2890, 822}},
      {"unknown at 144 dpi", {}, 144, {970, 774}},
      {"zero wide", {{1280, 0, 1280, 1080}, secondWork}, 96, {974, 778}},
      {"zero high", {{1280, 0, 3200, 0}, secondWork}, 96, {974, 778}},
      {"turned over", {{3200, 1080, 1280, 0}, secondWork}, 96, {974, 778}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PopupPixelPosition(Screen(1280, 1024, 15, 984), c.area, c.dpi, 300, 200), c.at) << c.name;
  }
}

TEST(RoundedRegion, CornerIsSizeInPixelsPlusOne) {
  struct Case {
    float tpp;
    float w, h;
    Point corner;
  };
  const std::vector<Case> cases = {
      {15, 4500, 3000, {301, 201}},
      {12, 4506, 4494, {376, 376}},  // 376.5 -> 376 and 375.5 -> 376
      {15, 0, 0, {1, 1}},
      {10, 3005, 3015, {302, 302}},  // 301.5 -> 302 and 302.5 -> 302
  };
  for (const auto& c : cases) {
    ui::ScreenMetrics s;
    s.twipsPerPixelX = c.tpp;
    s.twipsPerPixelY = c.tpp;
    EXPECT_EQ(RoundedRegionCorner(s, c.w, c.h), c.corner) << c.w << " x " << c.h;
  }
  ui::ScreenMetrics tiny;
  tiny.twipsPerPixelX = 1e-9f;
  EXPECT_THROW(RoundedRegionCorner(tiny, 1e9f, 0), RuntimeError);
}

TEST(ScreenUnits, TwipsPerPixelFromDpi) {
  EXPECT_EQ(ui::TwipsPerPixel(96), 15);
  EXPECT_EQ(ui::TwipsPerPixel(120), 12);
  EXPECT_EQ(ui::TwipsPerPixel(144), 10);
}

}  // namespace
}  // namespace notify
