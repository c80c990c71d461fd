#include <cstdint>
#include <string_view>

#include "checker/media_probe.h"
#include "platform/xml/file_io.h"

namespace notify::checker {

namespace {

std::uint32_t Le32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

}  // namespace

bool IsPlayableWave(const std::wstring& path) {
  const auto bytes = xml::ReadFileBytes(path);
  if (!bytes || bytes->size() < 12) return false;
  const std::string_view b(*bytes);
  if (b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "WAVE") return false;
  bool format = false;
  // Chunks are word aligned; a format chunk must come before the samples.
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::uint32_t size = Le32(b, at + 4);
    const std::string_view id = b.substr(at, 4);
    if (id == "fmt ") format = size >= 14 && at + 8 + size <= b.size();
    if (id == "data") return format;
    at += 8 + static_cast<std::size_t>(size) + (size & 1U);
  }
  return false;
}

}  // namespace notify::checker
