#pragma once
// A loaded picture, shared by reference between the controls that show it (the skin's
// tiles, the buttons' face strips). Pixels are kept as 32-bit premultiplied BGRA so that
// PNG alpha composes correctly onto the controls' surfaces.
#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/handles_win.h"

namespace notify::ui {

class Picture {
 public:
  virtual ~Picture() = default;
  // Natural size in pixels.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Draws the source rectangle scaled into the destination rectangle (pixels).
  virtual void Draw(HDC dc, int dstX, int dstY, int dstW, int dstH, int srcX, int srcY, int srcW,
                    int srcH) const = 0;
  // The same with a high-quality filter, for pictures drawn at a scale other than 96 DPI.
  // The smoothed copy is kept for the next paint at that size; when none can be made (too
  // large for a bitmap) the picture is stretched as Draw does.
  virtual void DrawSmooth(HDC dc, int dstX, int dstY, int dstW, int dstH, int srcX, int srcY, int srcW,
                          int srcH) const = 0;
  // One pixel as premultiplied 0xAARRGGBB; 0 outside the picture. For tests and hit tests.
  virtual std::uint32_t PixelAt(int x, int y) const = 0;
};

using PicturePtr = std::shared_ptr<const Picture>;

// How many smoothed copies DrawSmooth has made in this process: tests use it to see that a
// picture is scaled once, not at every paint.
std::size_t SmoothCopiesMade();

// A top-down 32-bit DIB section, its pixels in `bits`. Throws RuntimeError.
HBITMAP CreateTopDownDib(int width, int height, std::uint32_t*& bits);

// Bitmap, icon, cursor, GIF, JPEG, metafile and PNG. Throws RuntimeError when the file
// cannot be read or decoded.
PicturePtr LoadPicture(const std::wstring& path);

// The imaging component's factory, its library loaded on first use. Throws RuntimeError.
win::ComPtr<IWICImagingFactory> CreateImagingFactory();
// Unloads the imaging library once no factory or decoder of it is alive; the pictures
// already loaded keep their pixels, and the next load brings the library back.
void ReleasePictureDecoder() noexcept;

}  // namespace notify::ui
