#pragma once
// The person at the desk as Windows tells it: the shell's notification state, the
// foreground window and its monitor, the last input and the input desktop.
#include <windows.h>

#include <memory>

#include "app/desk.h"

namespace notify {

// `popup` is Notify's own window: never taken for a full-screen window, and the one the
// pointer may rest over. The start time for the idle rule is taken here.
std::unique_ptr<Desk> CreateWinDesk(HWND popup);

}  // namespace notify
