#include "platform/ui/scale.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/error.h"

namespace notify::ui {
namespace {

int ToInt(double value) {
  const double rounded = std::nearbyint(value);  // halves to even
  if (!std::isfinite(rounded) || std::fabs(rounded) > std::numeric_limits<int>::max()) Fail("overflow");
  return static_cast<int>(rounded);
}

double Factor(int dpi) { return static_cast<double>(dpi > 0 ? dpi : kBaseDpi) / kBaseDpi; }

// Catmull-Rom: sharp without the ringing of wider kernels; 1 at 0, 0 at every other integer.
double Cubic(double x) {
  x = std::fabs(x);
  if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
  if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
  return 0;
}

struct Tap {
  int first = 0;
  std::vector<double> weights;
};

// For each output position, the input samples and their normalised weights.
std::vector<Tap> Taps(int srcSize, int dstSize) {
  const double ratio = static_cast<double>(srcSize) / dstSize;
  const double stretch = std::max(1.0, ratio);  // widen the kernel when shrinking
  const double support = 2 * stretch;
  std::vector<Tap> taps(static_cast<std::size_t>(dstSize));
  for (int i = 0; i < dstSize; ++i) {
    const double centre = (i + 0.5) * ratio - 0.5;
    const int first = static_cast<int>(std::floor(centre - support)) + 1;
    const int last = static_cast<int>(std::ceil(centre + support)) - 1;
    Tap& tap = taps[static_cast<std::size_t>(i)];
    tap.first = first;
    double sum = 0;
    for (int s = first; s <= last; ++s) {
      const double w = Cubic((s - centre) / stretch);
      tap.weights.push_back(w);
      sum += w;
    }
    for (double& w : tap.weights) w /= sum;
  }
  return taps;
}

std::uint32_t Pack(const double (&c)[4]) {
  // c: blue, green, red, alpha. A premultiplied colour never exceeds its alpha.
  const double alpha = std::clamp(std::nearbyint(c[3]), 0.0, 255.0);
  std::uint32_t out = static_cast<std::uint32_t>(alpha) << 24;
  for (int k = 0; k < 3; ++k) {
    const double v = std::clamp(std::nearbyint(c[k]), 0.0, alpha);
    out |= static_cast<std::uint32_t>(v) << (8 * k);
  }
  return out;
}

}  // namespace

int ScaleLength(float value, int dpi) { return ToInt(static_cast<double>(value) * Factor(dpi)); }

float UnscaleLength(float value, int dpi) { return static_cast<float>(value / Factor(dpi)); }

int CoveringLength(int deviceLength, int dpi) {
  int base = ToInt(std::floor(static_cast<double>(deviceLength) / Factor(dpi)));
  while (ScaleLength(static_cast<float>(base), dpi) < deviceLength) ++base;
  return base;
}

DeviceSpan ScaleSpan(float begin, float extent, int dpi) {
  const int first = ScaleLength(begin, dpi);
  const int end = ToInt((static_cast<double>(begin) + extent) * Factor(dpi));
  return {first, end - first};
}

DeviceSpan CoveringSpan(int index, int dpi) {
  const double f = Factor(dpi);
  const int first = static_cast<int>(std::floor(index * f));
  const int end = std::max(first + 1, static_cast<int>(std::ceil((index + 1) * f)));
  return {first, end - first};
}

std::vector<std::uint32_t> ResampleBicubic(const std::uint32_t* src, int srcStride, int srcWidth, int srcHeight,
                                           int dstWidth, int dstHeight) {
  if (src == nullptr || srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0 || srcStride < srcWidth) {
    return {};
  }
  const std::vector<Tap> across = Taps(srcWidth, dstWidth);
  const std::vector<Tap> down = Taps(srcHeight, dstHeight);
  const auto clampTo = [](int v, int size) { return static_cast<std::size_t>(std::clamp(v, 0, size - 1)); };
  // Horizontal pass into floating-point rows, then the vertical pass into pixels.
  const auto rowLength = static_cast<std::size_t>(dstWidth) * 4;
  std::vector<double> rows(static_cast<std::size_t>(srcHeight) * rowLength);
  for (int y = 0; y < srcHeight; ++y) {
    const std::uint32_t* line = src + static_cast<std::size_t>(y) * static_cast<std::size_t>(srcStride);
    double* out = &rows[static_cast<std::size_t>(y) * rowLength];
    for (int x = 0; x < dstWidth; ++x) {
      const Tap& tap = across[static_cast<std::size_t>(x)];
      for (std::size_t t = 0; t < tap.weights.size(); ++t) {
        const std::uint32_t p = line[clampTo(tap.first + static_cast<int>(t), srcWidth)];
        for (std::size_t k = 0; k < 4; ++k) out[static_cast<std::size_t>(x) * 4 + k] += tap.weights[t] * ((p >> (8 * k)) & 0xFF);
      }
    }
  }
  std::vector<std::uint32_t> result(static_cast<std::size_t>(dstWidth) * static_cast<std::size_t>(dstHeight));
  for (int y = 0; y < dstHeight; ++y) {
    const Tap& tap = down[static_cast<std::size_t>(y)];
    for (int x = 0; x < dstWidth; ++x) {
      double c[4] = {0, 0, 0, 0};
      for (std::size_t t = 0; t < tap.weights.size(); ++t) {
        const double* in = &rows[clampTo(tap.first + static_cast<int>(t), srcHeight) * rowLength + static_cast<std::size_t>(x) * 4];
        for (std::size_t k = 0; k < 4; ++k) c[k] += tap.weights[t] * in[k];
      }
      result[static_cast<std::size_t>(y) * static_cast<std::size_t>(dstWidth) + static_cast<std::size_t>(x)] = Pack(c);
    }
  }
  return result;
}

}  // namespace notify::ui
