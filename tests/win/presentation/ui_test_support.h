#pragma once
// Helpers for the interface tests: solid-colour bitmaps written to disk, a 32-bit
// surface to render into and read back, and a message pump.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "catalogue/msg_record.h"
#include "platform/handles_win.h"

namespace notify::uitest {

// A 24-bit bottom-up BMP of one colour (0x00BBGGRR).
void WriteSolidBmp(const std::filesystem::path& file, int width, int height, std::uint32_t color);

// A top-down 32-bit DIB section selected into its own memory DC.
class Surface {
 public:
  Surface(int width, int height);
  HDC dc() const { return dc_.get(); }
  // 0x00BBGGRR of one pixel.
  std::uint32_t Pixel(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
  std::uint32_t* bits_ = nullptr;
  win::DeleteDcOwner dc_;
  win::DeleteObjectOwner bitmap_;
  std::optional<win::SelectGuard> select_;  // deselects before the bitmap dies
};

// Dispatches window messages for about `milliseconds`.
void PumpMessages(int milliseconds);

// Counts pixels of exactly `color` inside [left, right) x [top, bottom).
int CountColor(const Surface& surface, std::uint32_t color, int left, int top, int right, int bottom);
// Counts pixels of any other colour (text is anti-aliased, so its exact colour is rare).
int CountOther(const Surface& surface, std::uint32_t color, int left, int top, int right, int bottom);

// A 300 x 200 message with a title, a body and both buttons (close 31 x 21, confirm 77 x 27).
MsgRecord ButtonsRecord();

}  // namespace notify::uitest
