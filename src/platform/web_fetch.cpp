#include "platform/web_fetch.h"

#include "platform/utc_time.h"

namespace notify {

std::optional<std::wstring> ResolveRedirect(std::wstring_view from, std::wstring_view location) {
  const auto schemeEnd = from.find(L"://");
  if (schemeEnd == std::wstring_view::npos || location.empty()) return std::nullopt;
  if (location.find(L"://") != std::wstring_view::npos) return std::wstring(location);
  if (location.starts_with(L"//")) return std::wstring(from.substr(0, schemeEnd + 1)) + std::wstring(location);
  const auto pathStart = from.find(L'/', schemeEnd + 3);
  const std::wstring_view origin = from.substr(0, pathStart);
  if (location.starts_with(L"/")) return std::wstring(origin) + std::wstring(location);
  std::wstring_view path = pathStart == std::wstring_view::npos ? L"/" : from.substr(pathStart);
  path = path.substr(0, path.find_first_of(L"?#"));
  return std::wstring(origin) + std::wstring(path.substr(0, path.rfind(L'/') + 1)) + std::wstring(location);
}

std::optional<std::int64_t> RetryAfterSeconds(std::wstring_view header, std::int64_t now) {
  while (!header.empty() && header.front() == L' ') header.remove_prefix(1);
  while (!header.empty() && header.back() == L' ') header.remove_suffix(1);
  if (header.empty()) return std::nullopt;
  if (header.find_first_not_of(L"0123456789") == std::wstring_view::npos) {
    if (header.size() > 9) return std::int64_t{999999999};
    return std::stoll(std::wstring(header));
  }
  const auto when = ParseHttpDate(header);
  if (!when) return std::nullopt;
  return *when > now ? *when - now : 0;
}

}  // namespace notify
