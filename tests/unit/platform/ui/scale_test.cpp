#include "platform/ui/scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace notify::ui {
namespace {

constexpr int kScales[] = {96, 120, 144, 168, 192};

TEST(Scale, LengthsAtTheCommonScales) {
  for (int v = -50; v <= 2000; ++v) EXPECT_EQ(ScaleLength(static_cast<float>(v), 96), v);
  EXPECT_EQ(ScaleLength(300, 120), 375);
  EXPECT_EQ(ScaleLength(300, 144), 450);
  EXPECT_EQ(ScaleLength(31, 120), 39);   // 38.75
  EXPECT_EQ(ScaleLength(5, 144), 8);     // 7.5: halves to even
  EXPECT_EQ(ScaleLength(7, 144), 10);    // 10.5: halves to even
  EXPECT_FLOAT_EQ(UnscaleLength(375, 120), 300);
  EXPECT_FLOAT_EQ(UnscaleLength(10, 144), 10.0f / 1.5f);
}

// A label's box must cover its text at the scale it is drawn at, and be no larger.
TEST(Scale, CoveringLengthIsTheSmallestBoxThatCovers) {
  for (int dpi : kScales) {
    for (int device = 0; device < 400; ++device) {
      const int base = CoveringLength(device, dpi);
      ASSERT_GE(ScaleLength(static_cast<float>(base), dpi), device) << dpi << " " << device;
      if (base > 0) {
        ASSERT_LT(ScaleLength(static_cast<float>(base - 1), dpi), device) << dpi << " " << device;
      }
    }
  }
}

// Tiles that meet at 96 DPI must meet at every scale, or a frame shows gaps or overlaps.
TEST(Scale, NeighbouringSpansStillMeetAndCoverTheWhole) {
  for (int dpi : kScales) {
    for (int a = 0; a < 40; ++a) {
      for (int b = 0; b < 40; ++b) {
        const DeviceSpan first = ScaleSpan(static_cast<float>(a), static_cast<float>(b), dpi);
        const DeviceSpan second = ScaleSpan(static_cast<float>(a + b), 17, dpi);
        ASSERT_EQ(first.begin + first.extent, second.begin) << dpi << " " << a << " " << b;
        ASSERT_EQ(first.begin, ScaleLength(static_cast<float>(a), dpi));
        ASSERT_EQ(second.begin + second.extent, ScaleLength(static_cast<float>(a + b + 17), dpi));
      }
    }
  }
  EXPECT_EQ(ScaleSpan(0.5f, 10, 96), (DeviceSpan{0, 10}));  // halves as the layout rounds them
}

TEST(Scale, CoveringBlocksTileTheLineWithoutGaps) {
  for (int dpi : kScales) {
    int next = 0;
    for (int i = 0; i < 300; ++i) {
      const DeviceSpan block = CoveringSpan(i, dpi);
      ASSERT_GE(block.extent, 1);
      ASSERT_LE(block.begin, next) << dpi << " " << i;  // no gap
      ASSERT_GE(block.begin + block.extent, ScaleLength(static_cast<float>(i + 1), dpi) - 1);
      next = block.begin + block.extent;
    }
    EXPECT_EQ(CoveringSpan(0, dpi).begin, 0);
  }
  EXPECT_EQ(CoveringSpan(30, 96), (DeviceSpan{30, 1}));
}

std::uint32_t Pixel(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

std::uint32_t Channel(std::uint32_t p, int k) { return (p >> (8 * k)) & 0xFF; }

TEST(Resample, FlatAreasStayFlatAndSameSizeIsUnchanged) {
  const std::uint32_t half = Pixel(128, 100, 50, 25);  // premultiplied, half transparent
  // A 5 x 3 picture inside rows of 8 pixels; the padding must not be read.
  std::vector<std::uint32_t> src(8 * 3, 0xFFFFFFFFu);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) src[static_cast<std::size_t>(y * 8 + x)] = half;
  for (auto [w, h] : {std::pair{5, 3}, {7, 4}, {8, 5}, {2, 1}, {13, 9}}) {
    const auto out = ResampleBicubic(src.data(), 8, 5, 3, w, h);
    ASSERT_EQ(out.size(), static_cast<std::size_t>(w * h));
    for (std::uint32_t p : out) ASSERT_EQ(p, half) << w << "x" << h;
  }
  std::vector<std::uint32_t> noise(6 * 4);
  for (std::size_t i = 0; i < noise.size(); ++i) {
    const auto a = static_cast<std::uint32_t>(i * 37 % 256);
    noise[i] = Pixel(a, a / 2, a / 3, a);
  }
  EXPECT_EQ(ResampleBicubic(noise.data(), 6, 6, 4, 6, 4), noise);
  EXPECT_TRUE(ResampleBicubic(noise.data(), 5, 6, 4, 8, 8).empty());  // stride shorter than a row
  EXPECT_TRUE(ResampleBicubic(noise.data(), 6, 6, 4, 0, 8).empty());
}

// The cubic overshoots at a hard edge; the result must stay valid premultiplied colour.
TEST(Resample, HardEdgesKeepTheirEndsAndStayPremultiplied) {
  std::vector<std::uint32_t> src;
  for (int x = 0; x < 8; ++x) src.push_back(x < 4 ? Pixel(255, 255, 255, 255) : Pixel(40, 0, 40, 0));
  const auto out = ResampleBicubic(src.data(), 8, 8, 1, 12, 1);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out.front(), src.front());
  EXPECT_EQ(out.back(), src.back());
  for (std::uint32_t p : out) {
    for (int k = 0; k < 3; ++k) EXPECT_LE(Channel(p, k), Channel(p, 3));
  }
  // Shrinking a one-pixel checkerboard by half must blend it, not pick every other pixel.
  std::vector<std::uint32_t> checker(16 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      checker[static_cast<std::size_t>(y * 16 + x)] = (x + y) % 2 ? Pixel(255, 255, 255, 255) : Pixel(255, 0, 0, 0);
  for (std::uint32_t p : ResampleBicubic(checker.data(), 16, 16, 16, 8, 8)) {
    EXPECT_NEAR(static_cast<int>(Channel(p, 0)), 128, 20);
    EXPECT_EQ(Channel(p, 3), 255u);
  }
}

}  // namespace
}  // namespace notify::ui
