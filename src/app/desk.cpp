#include "app/desk.h"

#include <algorithm>

#include "platform/text.h"

namespace notify {

namespace {

// Unsigned differences stay right across a wrap of the tick count; a tick taken just after
// `now` (input arriving between the two reads) is no time ago, not 49 days.
std::uint32_t TicksSince(std::uint32_t nowTick, std::uint32_t thenTick) {
  const std::uint32_t elapsed = nowTick - thenTick;
  return elapsed > 0x7FFFFFFFu ? 0 : elapsed;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

bool IdleSinceLongEnough(std::uint32_t nowTick, std::uint32_t lastInputTick, std::uint32_t startTick) {
  return std::min(TicksSince(nowTick, lastInputTick), TicksSince(nowTick, startTick)) >= kAwayAfterMs;
}

bool CoversMonitor(const Edges& client, const Edges& monitor) {
  if (IsEmpty(monitor)) return false;
  return client.left <= monitor.left && client.top <= monitor.top && client.right >= monitor.right &&
         client.bottom >= monitor.bottom;
}

bool InFolderOrBelow(std::wstring_view path, std::wstring_view folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  if (folder.empty() || path.size() <= folder.size() + 1 || !IsSeparator(path[folder.size()])) return false;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if (IsSeparator(path[i]) != IsSeparator(folder[i])) return false;
    if (!IsSeparator(path[i]) && FoldCase(path[i]) != FoldCase(folder[i])) return false;
  }
  // "C:\App\..\Other\x.exe" is not below C:\App.
  for (std::size_t start = folder.size() + 1; start < path.size();) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (path.substr(start, end - start) == L"..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace notify
