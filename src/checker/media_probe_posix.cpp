#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "checker/media_probe.h"
#include "platform/xml/file_io.h"

// Natively there is no picture decoder: the size comes from the headers of the formats the
// popup's loader reads (bitmap, icon, GIF, JPEG, PNG). Anything else counts as unreadable.
namespace notify::checker {

namespace {

int Byte(std::string_view b, std::size_t at) { return static_cast<unsigned char>(b[at]); }
int Le16(std::string_view b, std::size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
int Be16(std::string_view b, std::size_t at) { return Byte(b, at) << 8 | Byte(b, at + 1); }
std::int64_t Be32(std::string_view b, std::size_t at) { return std::int64_t{Be16(b, at)} << 16 | Be16(b, at + 2); }
std::int32_t Le32(std::string_view b, std::size_t at) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(Le16(b, at)) |
                                   static_cast<std::uint32_t>(Le16(b, at + 2)) << 16);
}

std::optional<Size> Jpeg(std::string_view b) {
  std::size_t at = 2;
  while (at + 9 < b.size()) {
    if (Byte(b, at) != 0xFF) return std::nullopt;
    const int marker = Byte(b, at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (startOfFrame) return Size{Be16(b, at + 7), Be16(b, at + 5)};
    at += 2 + static_cast<std::size_t>(Be16(b, at + 2));
  }
  return std::nullopt;
}

std::optional<Size> Sniff(std::string_view b) {
  if (b.size() >= 24 && b.substr(0, 8) == "\x89PNG\r\n\x1a\n" && b.substr(12, 4) == "IHDR") {
    return Size{static_cast<int>(Be32(b, 16)), static_cast<int>(Be32(b, 20))};
  }
  if (b.size() >= 10 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) {
    return Size{Le16(b, 6), Le16(b, 8)};
  }
  if (b.size() >= 26 && b.substr(0, 2) == "BM") {
    if (Le32(b, 14) == 12) return Size{Le16(b, 18), Le16(b, 20)};
    return Size{Le32(b, 18), std::abs(Le32(b, 22))};
  }
  if (b.size() >= 4 && Byte(b, 0) == 0xFF && Byte(b, 1) == 0xD8) return Jpeg(b);
  if (b.size() >= 22 && Le16(b, 0) == 0 && (Le16(b, 2) == 1 || Le16(b, 2) == 2) && Le16(b, 4) > 0) {
    return Size{Byte(b, 6) == 0 ? 256 : Byte(b, 6), Byte(b, 7) == 0 ? 256 : Byte(b, 7)};
  }
  return std::nullopt;
}

}  // namespace

std::optional<Size> ProbePicture(const std::wstring& path) {
  const auto bytes = xml::ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  auto size = Sniff(*bytes);
  if (size && (size->width <= 0 || size->height <= 0)) return std::nullopt;
  return size;
}

}  // namespace notify::checker
