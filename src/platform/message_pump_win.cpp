#include "platform/message_pump_win.h"

#include <windows.h>

namespace notify {

void DispatchPendingMessages() noexcept {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace notify
