#include <windows.h>

#include "platform/delay.h"
#include "platform/error.h"
#include "platform/message_pump_win.h"
#include "platform/paths.h"

namespace notify {

namespace {

// Keyboard, mouse move, mouse button, posted, timer, paint, sent and hot-key input.
constexpr DWORD kWakeMask = 0xFF;

// Without the named timer (its name taken by another kind of object, or no handles left)
// the same wait is kept by the message wait's own time-out: returning early instead would
// close an automatic message at once, and its callers would spin.
void WaitWithoutTimer(std::int32_t milliseconds) {
  const ULONGLONG due = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
  for (ULONGLONG now = ::GetTickCount64(); now < due; now = ::GetTickCount64()) {
    const DWORD result = ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(due - now), kWakeMask);
    DispatchPendingMessages();
    if (result == WAIT_FAILED) return;
  }
  DispatchPendingMessages();
}

}  // namespace

CL02::~CL02() {
  // Reached when the program ends from a handler inside a wait.
  if (timer_ != nullptr) ::CloseHandle(static_cast<HANDLE>(timer_));
}

void CL02::SB01(const std::int32_t& milliseconds) noexcept {
  TrapVoid([&] {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const auto name = DelayTimerName(ExecutableBaseName(), now.wMinute, now.wSecond);
    HANDLE timer = ::CreateWaitableTimerW(nullptr, TRUE, name.c_str());
    if (timer == nullptr) {
      WaitWithoutTimer(milliseconds);
      return;
    }
    timer_ = timer;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;  // relative, 100 ns units
    (void)::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    for (;;) {
      const DWORD result = ::MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, kWakeMask);
      DispatchPendingMessages();
      if (result == WAIT_OBJECT_0 || result == WAIT_FAILED) break;
    }
    // The handle is ours to close; the member is cleared first so that the destructor,
    // reached if a handler above ended the program, never closes it twice.
    timer_ = nullptr;
    ::CloseHandle(timer);
  });
}

}  // namespace notify
