// The Win32 answers of the person at the desk, against real windows: another program's
// full-screen window, an ordinary one, Notify's own, and the pointer on the popup.
#include "app/desk_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/handles_win.h"
#include "platform/paths.h"
#include "pump_win.h"

namespace notify {
namespace {

// desk_cover.exe, built beside the tests: a foreground window for a while.
class Cover {
 public:
  explicit Cover(const std::wstring& arguments) {
    std::wstring command = L"\"" + ExecutableFolder() + L"desk_cover.exe\" " + arguments;
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
    for (int i = 0; i < 200; ++i) {
      const HWND window = ::FindWindowW(L"DeskCover", nullptr);
      if (window != nullptr && ::GetForegroundWindow() == window) return true;
      test::PumpFor(50);
    }
    return false;
  }

 private:
  win::CloseHandleOwner process_;
};

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
  EXPECT_EQ(primary.monitor, (ui::ScreenPixelRect{0, 0, cx, cy}));
  {
    Cover cover(L"30");
    ASSERT_TRUE(cover.InFront());
    EXPECT_TRUE(desk->Busy()) << "another program's borderless full-screen window";
    EXPECT_EQ(desk->ScreenInUse(), primary);
  }
  test::PumpFor(500);
  {
    Cover cover(L"30 100 100 600 400");
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

TEST(WinDesk, PointerCountsOnlyOnTheVisiblePopup) {
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
  ASSERT_TRUE(::SetCursorPos(5, 5));
  test::PumpFor(200);
  EXPECT_FALSE(desk->PointerOverPopup());
}

}  // namespace
}  // namespace notify
