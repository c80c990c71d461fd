#pragma once
// Writers for the picture files the loader tests generate themselves: plain enough to be
// written by hand, so the loader is checked against bytes it did not produce.
#include <cstdint>
#include <functional>
#include <string>

namespace notify::test {

// Colour of pixel (x, y) as 0xAARRGGBB (straight, not premultiplied).
using PixelFn = std::function<std::uint32_t(int x, int y)>;

inline void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A bottom-up DIB without file header. bits 24 or 32; rows padded to 4 bytes.
inline std::string DibBits(int w, int h, int bits, const PixelFn& pixel) {
  std::string out;
  const int rowBytes = (w * bits / 8 + 3) & ~3;
  for (int y = h - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < w; ++x) PutLe(row, pixel(x, y), bits / 8);
    row.resize(static_cast<std::size_t>(rowBytes), '\0');
    out += row;
  }
  return out;
}

inline std::string InfoHeader(int w, int h, int bits) {
  std::string out;
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(w), 4);
  PutLe(out, static_cast<std::uint32_t>(h), 4);
  PutLe(out, 1, 2);
  PutLe(out, static_cast<std::uint32_t>(bits), 2);
  for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);  // BI_RGB, size, resolution, palette
  return out;
}

// A 24-bit Windows bitmap file.
inline std::string MakeBmp(int w, int h, const PixelFn& pixel) {
  const std::string info = InfoHeader(w, h, 24);
  const std::string bits = DibBits(w, h, 24, pixel);
  std::string out = "BM";
  PutLe(out, static_cast<std::uint32_t>(14 + info.size() + bits.size()), 4);
  PutLe(out, 0, 4);
  PutLe(out, static_cast<std::uint32_t>(14 + info.size()), 4);
  return out + info + bits;
}

// An icon (type 1) or cursor (type 2) file with one image. With bits 32 the alpha comes
// from pixel(); with bits 24 a pixel whose alpha byte is 0 is masked out by the AND mask.
inline std::string MakeIconFile(int type, int w, int h, int bits, const PixelFn& pixel) {
  std::string image = InfoHeader(w, h * 2, bits) + DibBits(w, h, bits, pixel);
  const int maskRow = ((w + 31) / 32) * 4;
  for (int y = h - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskRow), '\0');
    for (int x = 0; x < w; ++x)
      if (bits == 24 && (pixel(x, y) >> 24) == 0)
        row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    image += row;
  }
  std::string out;
  PutLe(out, 0, 2);
  PutLe(out, static_cast<std::uint32_t>(type), 2);
  PutLe(out, 1, 2);
  out += static_cast<char>(w);
  out += static_cast<char>(h);
  out += '\0';  // colour count
  out += '\0';
  PutLe(out, type == 2 ? 3u : 1u, 2);                                // planes, or hotspot x
  PutLe(out, type == 2 ? 5u : static_cast<std::uint32_t>(bits), 2);  // bits, or hotspot y
  PutLe(out, static_cast<std::uint32_t>(image.size()), 4);
  PutLe(out, 6 + 16, 4);
  return out + image;
}

}  // namespace notify::test
