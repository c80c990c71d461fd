#pragma once
// The popup drawn off-screen, for previews: the form's and the buttons' own painting
// into one memory surface the size of the popup, cut to the popup's region.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "presentation/popup_view_win.h"

namespace notify {

// Top-down rows of straight-alpha 0xAARRGGBB pixels; outside the region all zero.
struct PopupSnapshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

// The view as it stands after its skin and layout, with the region SetRoundedRegion would
// give it. The window is never shown. Throws RuntimeError when the popup has no size or a
// drawing resource cannot be made.
PopupSnapshot SnapshotPopup(PopupView& view, std::int16_t ellipseWidth, std::int16_t ellipseHeight);

// Writes the snapshot as a PNG with its alpha channel. Throws RuntimeError.
void WritePng(const PopupSnapshot& snapshot, const std::wstring& path);

}  // namespace notify
