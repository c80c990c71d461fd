// The Win32 answers of the person at the desk, against real windows: another program's
// full-screen window, an ordinary one, Notify's own, and the pointer on the popup.
#include "app/desk_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/handles_win.h"
#include "platform/paths.h"
#include "pump_win.h"

namespace notify {
namespace {

// desk_cover.exe as built beside the tests, which makes it one of the tests' own programs.
std::wstring OwnCover() { return ExecutableFolder() + L"desk_cover.exe"; }

// A copy outside the tests' folder: another program's window.
std::wstring OtherCover() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  folder.resize(::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
  folder += L"notify-desk-other\\";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"desk_cover.exe";
  EXPECT_TRUE(::CopyFileW(OwnCover().c_str(), copy.c_str(), FALSE)) << "copy to the temporary folder";
  return copy;
}

// desk_cover.exe: a foreground window for a while.
class Cover {
 public:
  Cover(const std::wstring& program, const std::wstring& arguments) {
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      process_.reset(info.hProcess);
      ::CloseHandle(info.hThread);
    }
  }
  ~Cover() {
    if (process_) {
      ::TerminateProcess(process_.get(), 0);
      ::WaitForSingleObject(process_.get(), 10000);
    }
  }
  Cover(const Cover&) = delete;
  Cover& operator=(const Cover&) = delete;

  // True once its window has the foreground.
  bool InFront() const {
    for (int i = 0; i < 600; ++i) {  // a loaded machine starts Wine programs slowly
      const HWND window = ::FindWindowW(L"DeskCover", nullptr);
      if (window != nullptr && ::GetForegroundWindow() == window) return true;
      test::PumpFor(50);
    }
    return false;
  }

 private:
  win::CloseHandleOwner process_;
};

// The shell, the session and the input as a script; the foreground window stays real.
class ScriptedSignals : public DeskSignals {
 public:
  std::optional<QUERY_USER_NOTIFICATION_STATE> shell = QUNS_ACCEPTS_NOTIFICATIONS;
  bool cloaked = false;
  DWORD tick = 10'000'000;
  DWORD lastInput = 10'000'000;
  InputDesktop input = InputDesktop::Ours;

  bool NotificationState(QUERY_USER_NOTIFICATION_STATE& state) override {
    state = shell.value_or(state);
    return shell.has_value();
  }
  bool Cloaked(HWND) override { return cloaked; }
  bool LastInputTick(DWORD& t) override { return (t = lastInput), true; }
  DWORD Tick() override { return tick; }
  InputDesktop WhereInputGoes() override { return input; }
};

TEST(WinDesk, TheShellTheSessionAndIdleInputDecideBusyAndAway) {
  constexpr DWORD kMinute = 60'000;
  const struct Case {
    const char* what;
    std::optional<QUERY_USER_NOTIFICATION_STATE> shell;
    InputDesktop input;
    DWORD idleMinutes;  // since both the start and the last input
    bool busy;
    bool away;
  } cases[] = {
      {"the shell accepts notifications", QUNS_ACCEPTS_NOTIFICATIONS, InputDesktop::Ours, 0, false, false},
      {"presentation mode", QUNS_PRESENTATION_MODE, InputDesktop::Ours, 0, true, false},
      {"the shell cannot answer", std::nullopt, InputDesktop::Ours, 0, false, false},
      {"the session is locked", QUNS_ACCEPTS_NOTIFICATIONS, InputDesktop::Elsewhere, 0, false, true},
      {"the input desktop is unknown", QUNS_ACCEPTS_NOTIFICATIONS, InputDesktop::Unknown, 0, false, false},
      {"no input for five minutes", QUNS_ACCEPTS_NOTIFICATIONS, InputDesktop::Ours, 5, false, true},
      {"no input for four minutes", QUNS_ACCEPTS_NOTIFICATIONS, InputDesktop::Ours, 4, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto owned = std::make_unique<ScriptedSignals>();
    ScriptedSignals& signals = *owned;
    std::tie(signals.shell, signals.input) = std::tie(c.shell, c.input);
    const auto desk = CreateWinDesk(nullptr, std::move(owned));  // the start is taken now
    signals.tick += c.idleMinutes * kMinute;
    EXPECT_EQ(desk->Busy(), c.busy);
    EXPECT_EQ(desk->Away(), c.away);
  }
}

HWND MakeWindow(DWORD style, int x, int y, int w, int h) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DeskTestWindow";
  ::RegisterClassW(&wc);  // fails harmlessly when registered by an earlier test
  return ::CreateWindowExW(0, wc.lpszClassName, L"", style, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
}

TEST(WinDesk, FullScreenWindowsOfOtherProgramsMakeItBusyOwnOnesAndOrdinaryOnesDoNot) {
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  win::DestroyWindowOwner popup(MakeWindow(WS_POPUP, cx - 400, cy - 250, 327, 187));
  ASSERT_TRUE(popup);
  ::ShowWindow(popup.get(), SW_SHOWNOACTIVATE);
  const auto desk = CreateWinDesk(popup.get());

  EXPECT_FALSE(desk->Away()) << "just started: someone is there";
  const ui::MonitorArea primary = desk->ScreenInUse();
  EXPECT_EQ(primary.monitor, (Edges{0, 0, cx, cy}));
  {
    Cover cover(OtherCover(), L"30");
    ASSERT_TRUE(cover.InFront());
    EXPECT_TRUE(desk->Busy()) << "another program's borderless full-screen window";
    EXPECT_EQ(desk->ScreenInUse(), primary);
    auto cloaked = std::make_unique<ScriptedSignals>();
    cloaked->cloaked = true;
    EXPECT_FALSE(CreateWinDesk(popup.get(), std::move(cloaked))->Busy()) << "a cloaked window is not on screen";
  }
  test::PumpFor(500);
  {
    Cover cover(OwnCover(), L"30");
    ASSERT_TRUE(cover.InFront());
    EXPECT_FALSE(desk->Busy()) << "a program in Notify's own folder";
  }
  test::PumpFor(500);
  {
    Cover cover(OtherCover(), L"30 100 100 600 400");
    ASSERT_TRUE(cover.InFront());
    EXPECT_FALSE(desk->Busy()) << "an ordinary window";
  }
  {
    win::DestroyWindowOwner own(MakeWindow(WS_POPUP | WS_VISIBLE, 0, 0, cx, cy));
    ::SetForegroundWindow(own.get());
    test::PumpFor(200);
    ASSERT_EQ(::GetForegroundWindow(), own.get());
    EXPECT_FALSE(desk->Busy()) << "Notify's own windows never count";
  }
}

// Puts the pointer back where it was: later tests expect it away from their windows.
class CursorRestorer {
 public:
  CursorRestorer() { ::GetCursorPos(&at_); }
  ~CursorRestorer() { ::SetCursorPos(at_.x, at_.y); }

 private:
  POINT at_{};
};

TEST(WinDesk, PointerCountsOnlyOnTheVisiblePopup) {
  const CursorRestorer restore;
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  win::DestroyWindowOwner popup(MakeWindow(WS_POPUP, cx - 400, cy - 250, 327, 187));
  ASSERT_TRUE(popup);
  ::ShowWindow(popup.get(), SW_SHOWNOACTIVATE);
  ::SetWindowPos(popup.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  const auto desk = CreateWinDesk(popup.get());

  ASSERT_TRUE(::SetCursorPos(cx - 250, cy - 150));
  test::PumpFor(200);
  EXPECT_TRUE(desk->PointerOverPopup());
  ::ShowWindow(popup.get(), SW_HIDE);
  test::PumpFor(200);
  EXPECT_FALSE(desk->PointerOverPopup()) << "a hidden popup holds no pointer";
  ::ShowWindow(popup.get(), SW_SHOWNOACTIVATE);
  ASSERT_TRUE(::SetCursorPos(cx / 2, cy / 2));
  test::PumpFor(200);
  EXPECT_FALSE(desk->PointerOverPopup());
}

}  // namespace
}  // namespace notify
