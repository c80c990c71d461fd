#include <windows.h>

#include <vector>

#include "platform/error.h"
#include "platform/file_version.h"
#include "platform/system_library_win.h"

namespace notify {

std::optional<FileVersionWords> ReadFileVersionWords(const std::wstring& path) {
  static const auto getInfoSize =
      win::SystemFunction<decltype(&::GetFileVersionInfoSizeW)>(L"version.dll", "GetFileVersionInfoSizeW");
  static const auto getInfo = win::SystemFunction<decltype(&::GetFileVersionInfoW)>(L"version.dll", "GetFileVersionInfoW");
  static const auto queryValue = win::SystemFunction<decltype(&::VerQueryValueW)>(L"version.dll", "VerQueryValueW");
  if (getInfoSize == nullptr || getInfo == nullptr || queryValue == nullptr) Fail("the version library is missing");
  DWORD ignored = 0;
  const DWORD size = getInfoSize(path.c_str(), &ignored);
  if (size < 1) return std::nullopt;
  std::vector<std::uint8_t> block(size);
  if (!getInfo(path.c_str(), 0, size, block.data())) Fail("GetFileVersionInfoW failed");
  void* fixed = nullptr;
  UINT fixedSize = 0;
  if (!queryValue(block.data(), L"\\", &fixed, &fixedSize) || fixed == nullptr) return std::nullopt;
  if (fixedSize < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return FileVersionWords{info->dwFileVersionMS, info->dwFileVersionLS};
}

}  // namespace notify
