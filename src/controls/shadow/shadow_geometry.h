#pragma once
// The drop shadow's four strips: where they go and what each pixel holds. All values are
// screen pixels; colours are 0x00BBGGRR.
#include <array>
#include <cstdint>
#include <span>

#include "platform/ui/geometry.h"

namespace notify {

// The order of the four shadow windows wherever the code walks all of them.
enum class ShadowSide { Right = 0, Bottom = 1, Left = 2, Top = 3 };

// The owner's outer window rectangle in screen pixels and the SWP_* flags of its last
// WM_WINDOWPOSCHANGED.
struct OwnerPosition {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  std::uint32_t flags = 0;
};

Rect SideRect(ShadowSide side, const OwnerPosition& owner, int depth);

// Alpha of the pixel in column c (0 = left) and row r (0 = bottom) of a strip of
// width x height pixels. Depth must be 1 or more.
std::uint8_t SideAlpha(ShadowSide side, int c, int r, int width, int height, int depth);

// Premultiplied bytes in memory order B, G, R, A.
std::array<std::uint8_t, 4> ShadowPixel(std::uint32_t colour, std::uint8_t alpha);

// Fills a bottom-up 32-bit image (first row in memory is the bottom row) of the strip's
// size; `pixels` must hold width * height * 4 bytes. Returns false, touching nothing,
// when the size or depth is not positive or the buffer is too small.
bool FillShadowSide(ShadowSide side, int width, int height, int depth, std::uint32_t colour,
                    std::span<std::uint8_t> pixels);

}  // namespace notify
