#include <windows.h>

#include <vector>

#include "platform/error.h"
#include "platform/file_version.h"

namespace notify {

std::optional<FileVersionWords> ReadFileVersionWords(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size < 1) return std::nullopt;
  std::vector<std::uint8_t> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) Fail("GetFileVersionInfoW failed");
  void* fixed = nullptr;
  UINT fixedSize = 0;
  if (!::VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || fixed == nullptr) return std::nullopt;
  if (fixedSize < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return FileVersionWords{info->dwFileVersionMS, info->dwFileVersionLS};
}

}  // namespace notify
