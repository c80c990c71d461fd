#include "controls/shadow/shadow_geometry.h"

#include <cstddef>

namespace notify {

Rect SideRect(ShadowSide side, const OwnerPosition& o, int d) {
  switch (side) {
    case ShadowSide::Right: return {o.x + o.cx, o.y - d, d, o.cy + 2 * d};
    case ShadowSide::Bottom: return {o.x - d, o.y + o.cy, o.cx + d, d};
    case ShadowSide::Left: return {o.x - d, o.y, d, o.cy};
    case ShadowSide::Top: return {o.x - d, o.y - d, o.cx + d, d};
  }
  return {};
}

namespace {

// Fade over the first D columns of the horizontal strips (the left-hand corners).
int CornerFade(int c, int d) { return c < d ? c * 255 / d : 255; }

// Fade over D rows at both ends of the right strip.
int EndFade(int r, int height, int d) {
  if (r < d) return r * 255 / d;
  if (r < height - d) return 255;
  return (height - r) * 255 / d;
}

}  // namespace

std::uint8_t SideAlpha(ShadowSide side, int c, int r, int /*width*/, int height, int d) {
  int alpha = 0;
  switch (side) {
    case ShadowSide::Right: alpha = (d - c) * EndFade(r, height, d) / d; break;
    case ShadowSide::Bottom: alpha = r * CornerFade(c, d) / d; break;
    case ShadowSide::Left: alpha = c * 255 / d; break;
    case ShadowSide::Top: alpha = (d - r) * CornerFade(c, d) / d; break;
  }
  if (alpha < 0) alpha = 0;
  if (alpha > 255) alpha = 255;
  return static_cast<std::uint8_t>(alpha);
}

namespace {

std::uint8_t Premultiply(std::uint32_t component, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((component * alpha + 127) / 255);
}

}  // namespace

std::array<std::uint8_t, 4> ShadowPixel(std::uint32_t colour, std::uint8_t alpha) {
  const std::uint32_t red = colour & 0xFF;
  const std::uint32_t green = (colour >> 8) & 0xFF;
  const std::uint32_t blue = (colour >> 16) & 0xFF;
  return {Premultiply(blue, alpha), Premultiply(green, alpha), Premultiply(red, alpha), alpha};
}

bool FillShadowSide(ShadowSide side, int width, int height, int depth, std::uint32_t colour,
                    std::span<std::uint8_t> pixels) {
  if (width <= 0 || height <= 0 || depth <= 0) return false;
  const std::size_t needed = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (pixels.size() < needed) return false;
  std::size_t at = 0;
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      for (std::uint8_t byte : ShadowPixel(colour, SideAlpha(side, c, r, width, height, depth))) {
        pixels[at++] = byte;
      }
    }
  }
  return true;
}

}  // namespace notify
