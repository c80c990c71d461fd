#pragma once
// Dispatches window messages for about `milliseconds` (timers need real time to pass),
// sleeping in the kernel between messages. Shared by every Win32 test.
#include <windows.h>

#include "platform/message_pump_win.h"

namespace notify::test {

inline void PumpFor(int milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
  for (;;) {
    DispatchPendingMessages();
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace notify::test
