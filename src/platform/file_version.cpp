#include "platform/file_version.h"

#include "platform/error.h"
#include "platform/paths.h"

namespace notify {

std::wstring FormatFileVersion(std::uint32_t versionMs, std::uint32_t versionLs) {
  return std::to_wstring(versionMs >> 16) + L'.' + std::to_wstring(versionMs & 0xFFFFu) + L'.' +
         std::to_wstring(versionLs >> 16) + L'.' + std::to_wstring(versionLs & 0xFFFFu);
}

std::wstring GetFileVersion(const std::wstring& path) noexcept {
  if (!FileExists(path)) return std::wstring(kMissingFileVersion);
  return Trap(std::wstring(kUnknownFileVersion), [&] {
    const auto words = ReadFileVersionWords(path);
    return words ? FormatFileVersion(words->ms, words->ls) : std::wstring(kUnknownFileVersion);
  });
}

}  // namespace notify
