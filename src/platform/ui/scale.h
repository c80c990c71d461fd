#pragma once
// Scale at the edge: controls and layout keep 96-DPI pixels; the window turns them into
// device pixels with the monitor's DPI when it sizes, paints and hit-tests. At 96 DPI
// every conversion is the identity.
#include <cstdint>
#include <vector>

namespace notify::ui {

inline constexpr int kBaseDpi = 96;
// Twips per 96-DPI pixel: the unit in which the popup's own size is given.
inline constexpr float kTwipsPerBasePixel = 15.0f;

// A length in 96-DPI pixels as device pixels, halves to even.
int ScaleLength(float value, int dpi);

// Device pixels back to 96-DPI pixels (pointer positions), not rounded.
float UnscaleLength(float value, int dpi);

// The fewest whole 96-DPI pixels whose scaled length at `dpi` covers `deviceLength`.
int CoveringLength(int deviceLength, int dpi);

// A span [begin, begin + extent) in device pixels: both edges are scaled, so spans that
// meet at 96 DPI still meet at any scale.
struct DeviceSpan {
  int begin = 0;
  int extent = 0;
  bool operator==(const DeviceSpan&) const = default;
};
DeviceSpan ScaleSpan(float begin, float extent, int dpi);

// The device pixels that cover 96-DPI pixel `index`: at least one.
DeviceSpan CoveringSpan(int index, int dpi);

// Premultiplied 32-bit pixels resampled to dstWidth x dstHeight with a bicubic filter
// (widened when shrinking), edges clamped. Rows are top-down; srcStride counts pixels.
std::vector<std::uint32_t> ResampleBicubic(const std::uint32_t* src, int srcStride, int srcWidth, int srcHeight,
                                           int dstWidth, int dstHeight);

}  // namespace notify::ui
