#include "checker/preview_name.h"

#include <string_view>

namespace notify::checker {

namespace {
constexpr std::size_t kMaxIdChars = 100;
constexpr std::wstring_view kForbidden = L"<>:\"/\\|?*";
}  // namespace

std::wstring PreviewFileName(int index, const std::wstring& id) {
  std::wstring safe = id.substr(0, kMaxIdChars);
  for (wchar_t& c : safe) {
    if (c < 0x20 || kForbidden.find(c) != std::wstring_view::npos) c = L'_';
  }
  // Windows drops trailing dots and blanks, which would merge "a." with "a".
  for (auto it = safe.rbegin(); it != safe.rend() && (*it == L'.' || *it == L' '); ++it) *it = L'_';
  return std::to_wstring(index) + L"-" + safe + L".png";
}

}  // namespace notify::checker
