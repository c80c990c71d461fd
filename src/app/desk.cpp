#include "app/desk.h"

#include <algorithm>

namespace notify {

namespace {

// Unsigned differences stay right across a wrap of the tick count; a tick taken just after
// `now` (input arriving between the two reads) is no time ago, not 49 days.
std::uint32_t TicksSince(std::uint32_t nowTick, std::uint32_t thenTick) {
  const std::uint32_t elapsed = nowTick - thenTick;
  return elapsed > 0x7FFFFFFFu ? 0 : elapsed;
}

}  // namespace

bool IdleSinceLongEnough(std::uint32_t nowTick, std::uint32_t lastInputTick, std::uint32_t startTick) {
  return std::min(TicksSince(nowTick, lastInputTick), TicksSince(nowTick, startTick)) >= kAwayAfterMs;
}

bool CoversMonitor(const ui::ScreenPixelRect& client, const ui::ScreenPixelRect& monitor) {
  if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return false;
  return client.left <= monitor.left && client.top <= monitor.top && client.right >= monitor.right &&
         client.bottom >= monitor.bottom;
}

}  // namespace notify
