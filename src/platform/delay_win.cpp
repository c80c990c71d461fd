#include <windows.h>

#include "platform/delay.h"
#include "platform/error.h"
#include "platform/message_pump_win.h"
#include "platform/paths.h"

namespace notify {

namespace {

// Keyboard, mouse move, mouse button, posted, timer, paint, sent and hot-key input.
constexpr DWORD kWakeMask = 0xFF;

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
    if (timer == nullptr) return;  // no timer: return at once rather than spin
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
