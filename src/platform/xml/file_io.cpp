#include "platform/xml/file_io.h"

#include <cstdint>

#include "platform/text.h"

namespace notify::xml::detail {

std::wstring TempNameFor(std::wstring_view target, std::uint32_t processId, std::uint32_t serial) {
  return std::wstring(target) + L".~" + std::to_wstring(processId) + L"-" + std::to_wstring(serial) + L".tmp";
}

std::optional<std::uint32_t> TempFileOwner(std::wstring_view entry, std::wstring_view targetName, bool ignoreCase) {
  const std::wstring_view marker = L".~";
  const std::wstring_view suffix = L".tmp";
  if (entry.size() <= targetName.size() + marker.size() + suffix.size()) return std::nullopt;
  const auto head = entry.substr(0, targetName.size());
  if (ignoreCase ? !EqualsNoCase(head, targetName) : head != targetName) return std::nullopt;
  auto rest = entry.substr(targetName.size());
  if (rest.substr(0, marker.size()) != marker || rest.substr(rest.size() - suffix.size()) != suffix) return std::nullopt;
  rest = rest.substr(marker.size(), rest.size() - marker.size() - suffix.size());
  // Exactly "<pid>-<serial>", both decimal, the pid without leading zeros, as we write it.
  const auto dash = rest.find(L'-');
  if (dash == 0 || dash == std::wstring_view::npos || dash + 1 == rest.size() || dash > 10) return std::nullopt;
  if (rest[0] == L'0') return std::nullopt;
  std::uint64_t pid = 0;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (i == dash) continue;
    if (rest[i] < L'0' || rest[i] > L'9') return std::nullopt;
    if (i < dash) pid = pid * 10 + static_cast<std::uint64_t>(rest[i] - L'0');
  }
  if (rest.size() - dash - 1 > 10 || pid > 0x7FFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(pid);
}

}  // namespace notify::xml::detail
