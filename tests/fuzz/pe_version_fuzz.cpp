// The version-resource reader of PE images, which the native build runs on file bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/file_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto words = notify::ParsePeFileVersion(notify::fuzz::AsBytes(data, size));
  if (words) (void)notify::FormatFileVersion(words->ms, words->ls);
  return 0;
}
