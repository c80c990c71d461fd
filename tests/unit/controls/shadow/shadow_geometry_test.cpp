#include "controls/shadow/shadow_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace notify {
namespace {

struct RectCase {
  ShadowSide side;
  Rect expected;
};

TEST(ShadowGeometry, StripsFrameTheForm) {
  const OwnerPosition form{100, 100, 400, 200, 0};
  const RectCase cases[] = {
      {ShadowSide::Right, {500, 95, 5, 210}},
      {ShadowSide::Bottom, {95, 300, 405, 5}},
      {ShadowSide::Left, {95, 100, 5, 200}},
      {ShadowSide::Top, {95, 95, 405, 5}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SideRect(c.side, form, 5), c.expected) << static_cast<int>(c.side);
  }
}

// The strips touch the form and each other without overlap: together with the form they
// tile the rectangle grown by the depth on every side.
TEST(ShadowGeometry, StripsAndFormTileTheGrownRectangle) {
  for (int depth : {1, 3, 7, 12}) {
    const OwnerPosition form{-30, 17, 123, 45, 0};
    std::vector<int> cover((123 + 2 * depth) * (45 + 2 * depth), 0);
    auto paint = [&](const Rect& r) {
      for (int y = r.top; y < r.top + r.height; ++y)
        for (int x = r.left; x < r.left + r.width; ++x) {
          const int cx = x - (form.x - depth);
          const int cy = y - (form.y - depth);
          ASSERT_GE(cx, 0);
          ASSERT_GE(cy, 0);
          ASSERT_LT(cx, 123 + 2 * depth);
          ASSERT_LT(cy, 45 + 2 * depth);
          ++cover[static_cast<std::size_t>(cy * (123 + 2 * depth) + cx)];
        }
    };
    paint({form.x, form.y, form.cx, form.cy});
    for (ShadowSide s : {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Left, ShadowSide::Top}) {
      paint(SideRect(s, form, depth));
    }
    for (int n : cover) ASSERT_EQ(n, 1) << "depth " << depth;
  }
}

TEST(ShadowGradient, RightStripEndsFadeOverDepthRows) {
  // Column 0 (next to the form) gives v(r) itself: (D - 0) * v / D.
  const int height = 210;
  const int bottom[] = {0, 51, 102, 153, 204};
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(SideAlpha(ShadowSide::Right, 0, r, 5, height, 5), bottom[r]) << "row " << r;
  }
  const int top[] = {255, 204, 153, 102, 51};
  for (int i = 0; i < 5; ++i) {
    const int r = height - 5 + i;
    EXPECT_EQ(SideAlpha(ShadowSide::Right, 0, r, 5, height, 5), top[i]) << "row " << r;
  }
}

struct AlphaCase {
  ShadowSide side;
  int c, r, width, height, depth;
  int expected;
};

TEST(ShadowGradient, AlphaTable) {
  const AlphaCase cases[] = {
      // Middle rows of the right strip, from the form outward.
      {ShadowSide::Right, 0, 100, 5, 210, 5, 255},
      {ShadowSide::Right, 1, 100, 5, 210, 5, 204},
      {ShadowSide::Right, 2, 100, 5, 210, 5, 153},
      {ShadowSide::Right, 3, 100, 5, 210, 5, 102},
      {ShadowSide::Right, 4, 100, 5, 210, 5, 51},
      // Truncation twice: (7 - 2) * (3 * 255 / 7 = 109) / 7 = 77.
      {ShadowSide::Right, 2, 3, 7, 214, 7, 77},
      // Left strip: darkest at the right-hand column, next to the form.
      {ShadowSide::Left, 0, 50, 5, 200, 5, 0},
      {ShadowSide::Left, 4, 50, 5, 200, 5, 204},
      {ShadowSide::Left, 3, 50, 7, 200, 7, 109},
      // Bottom strip: row 4 touches the form (rows count upward).
      {ShadowSide::Bottom, 200, 4, 405, 5, 5, 204},
      {ShadowSide::Bottom, 200, 0, 405, 5, 5, 0},
      {ShadowSide::Bottom, 2, 4, 405, 5, 5, 81},  // 4 * 102 / 5
      {ShadowSide::Bottom, 0, 4, 405, 5, 5, 0},
      // Top strip: row 0 is the bottom row, next to the form.
      {ShadowSide::Top, 200, 0, 405, 5, 5, 255},
      {ShadowSide::Top, 200, 4, 405, 5, 5, 51},
      {ShadowSide::Top, 3, 0, 405, 5, 5, 153},
      {ShadowSide::Top, 3, 1, 405, 5, 5, 122},  // 4 * 153 / 5
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SideAlpha(c.side, c.c, c.r, c.width, c.height, c.depth), c.expected)
        << "side " << static_cast<int>(c.side) << " c " << c.c << " r " << c.r;
  }
}

struct PixelCase {
  std::uint32_t colour;
  std::uint8_t alpha;
  std::array<std::uint8_t, 4> bytes;
};

TEST(ShadowGradient, PixelIsPremultipliedAndRounded) {
  const PixelCase cases[] = {
      {0x424242, 204, {53, 53, 53, 204}},
      {0x424242, 255, {66, 66, 66, 255}},
      {0x424242, 0, {0, 0, 0, 0}},
      // 0x00BBGGRR: red 0x10, green 0x80, blue 0xFF; memory order B, G, R.
      {0xFF8010, 255, {255, 128, 16, 255}},
      // 128 * 51 / 255 = 25.6 -> 26; 16 * 51 / 255 = 3.2 -> 3.
      {0xFF8010, 51, {51, 26, 3, 51}},
      {0xFFFFFF, 1, {1, 1, 1, 1}},
      // High byte of the colour is not a component.
      {0xAB000000, 255, {0, 0, 0, 255}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShadowPixel(c.colour, c.alpha), c.bytes) << std::hex << c.colour << " " << int(c.alpha);
  }
}

TEST(ShadowGradient, FillIsBottomUpAndMatchesAlphaTable) {
  const int w = 5, h = 210, d = 5;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w * h * 4), 0xEE);
  ASSERT_TRUE(FillShadowSide(ShadowSide::Right, w, h, d, 0x424242, pixels));
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      const auto at = static_cast<std::size_t>((r * w + c) * 4);
      const auto expected = ShadowPixel(0x424242, SideAlpha(ShadowSide::Right, c, r, w, h, d));
      for (std::size_t b = 0; b < 4; ++b) ASSERT_EQ(pixels[at + b], expected[b]) << r << "," << c;
    }
  }
  // First memory row is the bottom row: transparent at the very bottom.
  EXPECT_EQ(pixels[3], 0);
  // Row 1 of column 0: v = 51.
  EXPECT_EQ(pixels[static_cast<std::size_t>(w * 4 + 3)], 51);
}

TEST(ShadowGradient, FillRefusesBadSizes) {
  std::vector<std::uint8_t> pixels(16, 0x5A);
  EXPECT_FALSE(FillShadowSide(ShadowSide::Left, 0, 4, 5, 0, pixels));
  EXPECT_FALSE(FillShadowSide(ShadowSide::Left, 4, -1, 5, 0, pixels));
  EXPECT_FALSE(FillShadowSide(ShadowSide::Left, 1, 4, 0, 0, pixels));
  EXPECT_FALSE(FillShadowSide(ShadowSide::Left, 2, 4, 5, 0, pixels));  // needs 32 bytes
  for (auto b : pixels) EXPECT_EQ(b, 0x5A);
}

}  // namespace
}  // namespace notify
