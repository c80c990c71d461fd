#pragma once
// The person at the desk as Windows tells it: the shell's notification state, the
// foreground window and its monitor, the last input and the input desktop.
#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "app/desk.h"

namespace notify {

enum class InputDesktop { Ours, Elsewhere, Unknown };

// The system's answers the desk builds on; a test replaces the ones it wants to script.
class DeskSignals {
 public:
  virtual ~DeskSignals() = default;
  // False when the shell cannot answer.
  virtual bool NotificationState(QUERY_USER_NOTIFICATION_STATE& state);
  virtual bool Cloaked(HWND window);
  // False when the time of the last keyboard or mouse input is unknown.
  virtual bool LastInputTick(DWORD& tick);
  virtual DWORD Tick();
  // Elsewhere: locked, or the secure desktop or a screen saver's takes the input.
  virtual InputDesktop WhereInputGoes();
};

// `popup` is Notify's own window, the one the pointer may rest over. Windows of Notify,
// of the process that started it and of programs in its folder or below never count as
// full screen. The start time for the idle rule is taken here.
std::unique_ptr<Desk> CreateWinDesk(HWND popup, std::unique_ptr<DeskSignals> signals = nullptr);

}  // namespace notify
