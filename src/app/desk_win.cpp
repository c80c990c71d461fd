#include "app/desk_win.h"

#include <dwmapi.h>
#include <shellapi.h>

#include <array>

#include "platform/handles_win.h"

namespace notify {

namespace {

ui::ScreenPixelRect PixelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Windows that are part of the desk rather than something the user looks at.
bool IsShellWindow(HWND window) {
  if (window == ::GetDesktopWindow() || window == ::GetShellWindow()) return true;
  std::array<wchar_t, 32> name{};
  if (::GetClassNameW(window, name.data(), static_cast<int>(name.size())) == 0) return false;
  for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"}) {
    if (::lstrcmpiW(name.data(), shell) == 0) return true;
  }
  return false;
}

bool IsCloaked(HWND window) {
  DWORD cloaked = 0;
  return SUCCEEDED(::DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) && cloaked != 0;
}

bool IsOwnWindow(HWND window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process == ::GetCurrentProcessId();
}

bool MonitorOf(HWND window, DWORD fallback, MONITORINFO& info) {
  const HMONITOR monitor = window != nullptr ? ::MonitorFromWindow(window, fallback)
                                             : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  info.cbSize = sizeof info;
  return monitor != nullptr && ::GetMonitorInfoW(monitor, &info) != 0;
}

bool ForegroundCoversItsMonitor() {
  const HWND foreground = ::GetForegroundWindow();
  if (foreground == nullptr || !::IsWindowVisible(foreground) || ::IsIconic(foreground)) return false;
  if (IsShellWindow(foreground) || IsOwnWindow(foreground) || IsCloaked(foreground)) return false;
  RECT client{};
  if (!::GetClientRect(foreground, &client)) return false;
  ::MapWindowPoints(foreground, nullptr, reinterpret_cast<POINT*>(&client), 2);
  MONITORINFO info{};
  if (!MonitorOf(foreground, MONITOR_DEFAULTTONULL, info)) return false;
  return CoversMonitor(PixelRect(client), PixelRect(info.rcMonitor));
}

bool ShellAsksForQuiet() {
  QUERY_USER_NOTIFICATION_STATE state{};
  // A shell that cannot answer is no reason to hold a message back.
  return SUCCEEDED(::SHQueryUserNotificationState(&state)) && state != QUNS_ACCEPTS_NOTIFICATIONS;
}

// Locked, or another desktop (the secure one, a screen saver's) takes the input: nothing
// on Notify's desktop can be seen.
bool InputOnAnotherDesktop() {
  win::CloseDesktopOwner input(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  if (!input) return ::GetLastError() == ERROR_ACCESS_DENIED;
  std::array<wchar_t, 64> inputName{}, ownName{};
  DWORD needed = 0;
  const HDESK own = ::GetThreadDesktop(::GetCurrentThreadId());
  if (!::GetUserObjectInformationW(input.get(), UOI_NAME, inputName.data(),
                                   static_cast<DWORD>(inputName.size() * sizeof(wchar_t)), &needed) ||
      own == nullptr ||
      !::GetUserObjectInformationW(own, UOI_NAME, ownName.data(), static_cast<DWORD>(ownName.size() * sizeof(wchar_t)),
                                   &needed)) {
    return false;
  }
  return ::lstrcmpiW(inputName.data(), ownName.data()) != 0;
}

class WinDesk final : public Desk {
 public:
  explicit WinDesk(HWND popup) : popup_(popup), startTick_(::GetTickCount()) {}

  bool Busy() override { return ShellAsksForQuiet() || ForegroundCoversItsMonitor(); }

  bool Away() override {
    LASTINPUTINFO input{};
    input.cbSize = sizeof input;
    const DWORD lastInput = ::GetLastInputInfo(&input) ? input.dwTime : startTick_;
    return IdleSinceLongEnough(::GetTickCount(), lastInput, startTick_) || InputOnAnotherDesktop();
  }

  bool PointerOverPopup() override {
    if (popup_ == nullptr || !::IsWindowVisible(popup_)) return false;
    POINT at{};
    if (!::GetCursorPos(&at)) return false;
    const HWND under = ::WindowFromPoint(at);
    return under != nullptr && ::GetAncestor(under, GA_ROOT) == popup_;
  }

  ui::MonitorArea ScreenInUse() override {
    HWND foreground = ::GetForegroundWindow();
    if (foreground != nullptr && IsShellWindow(foreground)) foreground = nullptr;
    MONITORINFO info{};
    if (!MonitorOf(foreground, MONITOR_DEFAULTTOPRIMARY, info)) return {};
    return {PixelRect(info.rcMonitor), PixelRect(info.rcWork)};
  }

  std::uint64_t Milliseconds() override { return ::GetTickCount64(); }

 private:
  HWND popup_;
  DWORD startTick_;
};

}  // namespace

std::unique_ptr<Desk> CreateWinDesk(HWND popup) { return std::make_unique<WinDesk>(popup); }

}  // namespace notify
