#include "app/desk_win.h"

#include <dwmapi.h>
#include <tlhelp32.h>

#include <array>
#include <optional>
#include <string>

#include "platform/handles_win.h"
#include "platform/paths.h"
#include "platform/ui/geometry_win.h"
#include "platform/system_library_win.h"

namespace notify {

namespace {

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

bool MonitorOf(HWND window, DWORD fallback, MONITORINFO& info) {
  const HMONITOR monitor = window != nullptr ? ::MonitorFromWindow(window, fallback)
                                             : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  info.cbSize = sizeof info;
  return monitor != nullptr && ::GetMonitorInfoW(monitor, &info) != 0;
}

std::optional<ULONGLONG> CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
  return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// The process that started Notify, or 0. A parent that has ended may have left its id to a
// newer process, which is no parent: it must have started before Notify.
DWORD ParentProcessId() {
  const HANDLE taken = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (taken == INVALID_HANDLE_VALUE) return 0;
  win::CloseHandleOwner snapshot(taken);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == ::GetCurrentProcessId()) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  if (parent == 0) return 0;
  win::CloseHandleOwner process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent));
  if (!process) return 0;
  const auto parentStart = CreationTime(process.get()), ownStart = CreationTime(::GetCurrentProcess());
  return parentStart && ownStart && *parentStart <= *ownStart ? parent : 0;
}

std::wstring ImagePath(DWORD processId) {
  win::CloseHandleOwner process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return {};
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD length = static_cast<DWORD>(path.size());
    if (::QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) return path.substr(0, length);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    path.resize(path.size() * 4);
  }
  return {};
}

class WinDesk final : public Desk {
 public:
  WinDesk(HWND popup, std::unique_ptr<DeskSignals> signals)
      : popup_(popup), signals_(std::move(signals)), startTick_(signals_->Tick()), folder_(ExecutableFolder()) {}

  bool Busy() override { return ShellAsksForQuiet() || ForegroundCoversItsMonitor(); }

  bool Away() override {
    DWORD lastInput = startTick_;
    if (!signals_->LastInputTick(lastInput)) lastInput = startTick_;
    return IdleSinceLongEnough(signals_->Tick(), lastInput, startTick_) ||
           signals_->WhereInputGoes() == InputDesktop::Elsewhere;
  }

  bool PointerOverPopup() override {
    if (popup_ == nullptr || !::IsWindowVisible(popup_)) return false;
    POINT at{};
    if (!::GetCursorPos(&at)) return false;
    const HWND under = ::WindowFromPoint(at);
    return under != nullptr && ::GetAncestor(under, GA_ROOT) == popup_;
  }

  Point PointerPosition() override {
    POINT at{};
    if (::GetCursorPos(&at)) pointer_ = {at.x, at.y};
    return pointer_;
  }

  ui::MonitorArea ScreenInUse() override {
    HWND foreground = ::GetForegroundWindow();
    if (foreground != nullptr && IsShellWindow(foreground)) foreground = nullptr;
    MONITORINFO info{};
    if (!MonitorOf(foreground, MONITOR_DEFAULTTOPRIMARY, info)) return {};
    return {ToEdges(info.rcMonitor), ToEdges(info.rcWork)};
  }

  std::uint64_t Milliseconds() override { return ::GetTickCount64(); }

 private:
  bool ShellAsksForQuiet() {
    QUERY_USER_NOTIFICATION_STATE state{};
    // A shell that cannot answer is no reason to hold a message back.
    return signals_->NotificationState(state) && state != QUNS_ACCEPTS_NOTIFICATIONS;
  }

  bool ForegroundCoversItsMonitor() {
    const HWND foreground = ::GetForegroundWindow();
    if (foreground == nullptr || !::IsWindowVisible(foreground) || ::IsIconic(foreground)) return false;
    if (IsShellWindow(foreground) || signals_->Cloaked(foreground)) return false;
    RECT client{};
    if (!::GetClientRect(foreground, &client)) return false;
    ::MapWindowPoints(foreground, nullptr, reinterpret_cast<POINT*>(&client), 2);
    MONITORINFO info{};
    if (!MonitorOf(foreground, MONITOR_DEFAULTTONULL, info)) return false;
    return CoversMonitor(ToEdges(client), ToEdges(info.rcMonitor)) && !IsHostWindow(foreground);
  }

  // Asked only of a full-screen window, so an ordinary desk costs no process look-ups.
  bool IsHostWindow(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId()) return true;
    if (!parent_) parent_ = ParentProcessId();
    if (process != 0 && process == *parent_) return true;
    return InFolderOrBelow(ImagePath(process), folder_);
  }

  HWND popup_;
  std::unique_ptr<DeskSignals> signals_;
  DWORD startTick_;
  std::wstring folder_;
  std::optional<DWORD> parent_;
  Point pointer_;
};

}  // namespace

bool DeskSignals::NotificationState(QUERY_USER_NOTIFICATION_STATE& state) {
  return SUCCEEDED(::SHQueryUserNotificationState(&state));
}

bool DeskSignals::Cloaked(HWND window) {
  DWORD cloaked = 0;
  static const auto getAttribute =
      win::SystemFunction<decltype(&::DwmGetWindowAttribute)>(L"dwmapi.dll", "DwmGetWindowAttribute");
  return getAttribute != nullptr && SUCCEEDED(getAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
         cloaked != 0;
}

bool DeskSignals::LastInputTick(DWORD& tick) {
  LASTINPUTINFO input{};
  input.cbSize = sizeof input;
  if (!::GetLastInputInfo(&input)) return false;
  tick = input.dwTime;
  return true;
}

DWORD DeskSignals::Tick() { return ::GetTickCount(); }

InputDesktop DeskSignals::WhereInputGoes() {
  win::CloseDesktopOwner input(::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  if (!input) return ::GetLastError() == ERROR_ACCESS_DENIED ? InputDesktop::Elsewhere : InputDesktop::Unknown;
  std::array<wchar_t, 64> inputName{}, ownName{};
  DWORD needed = 0;
  const HDESK own = ::GetThreadDesktop(::GetCurrentThreadId());
  if (!::GetUserObjectInformationW(input.get(), UOI_NAME, inputName.data(),
                                   static_cast<DWORD>(inputName.size() * sizeof(wchar_t)), &needed) ||
      own == nullptr ||
      !::GetUserObjectInformationW(own, UOI_NAME, ownName.data(), static_cast<DWORD>(ownName.size() * sizeof(wchar_t)),
                                   &needed)) {
    return InputDesktop::Unknown;
  }
  return ::lstrcmpiW(inputName.data(), ownName.data()) != 0 ? InputDesktop::Elsewhere : InputDesktop::Ours;
}

std::unique_ptr<Desk> CreateWinDesk(HWND popup, std::unique_ptr<DeskSignals> signals) {
  if (!signals) signals = std::make_unique<DeskSignals>();
  return std::make_unique<WinDesk>(popup, std::move(signals));
}

}  // namespace notify
