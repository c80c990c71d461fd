#pragma once
// The person at the desk: what the show loop asks before it shows a message and while one
// counts down. The Win32 answers live in desk_win.cpp; tests script their own.
#include <cstdint>
#include <string_view>

#include "platform/ui/geometry.h"
#include "platform/ui/screen.h"

namespace notify {

class Desk {
 public:
  virtual ~Desk() = default;
  // The shell asks for quiet, or a full-screen window has the foreground.
  virtual bool Busy() = 0;
  // Nobody there: no input for a while, or the session is locked.
  virtual bool Away() = 0;
  virtual bool PointerOverPopup() = 0;
  // Where the pointer is now, screen pixels; the last known place when the system cannot say.
  virtual Point PointerPosition() = 0;
  // The monitor holding the foreground window; the primary one when there is none.
  virtual ui::MonitorArea ScreenInUse() = 0;
  // A steady clock, for the deferral's time limit.
  virtual std::uint64_t Milliseconds() = 0;
};

// A message that cannot be shown is looked at again this often ...
inline constexpr std::int32_t kDeferCheckMs = 2000;
// ... and for no longer than this in all; the run then ends and it waits for the next start.
inline constexpr std::uint64_t kDeferLimitMs = 30ull * 60 * 1000;
// No keyboard or mouse input for this long means nobody is there.
inline constexpr std::uint32_t kAwayAfterMs = 5u * 60 * 1000;

// Away by input: the idle time counts from the later of the last input and the program's
// start (whoever started the host was there). Tick counts wrap after 49.7 days.
bool IdleSinceLongEnough(std::uint32_t nowTick, std::uint32_t lastInputTick, std::uint32_t startTick);

// Full screen: a window's client area (screen pixels) covers its whole monitor.
bool CoversMonitor(const Edges& client, const Edges& monitor);

// A host's own programs never hold its messages back: true when `path` names a file in
// `folder` or in a folder below it. Case and separators ('\\' or '/') do not matter.
bool InFolderOrBelow(std::wstring_view path, std::wstring_view folder);

}  // namespace notify
