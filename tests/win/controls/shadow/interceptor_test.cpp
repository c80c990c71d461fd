#include "controls/shadow/interceptor_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <thread>
#include <string>
#include <utility>
#include <vector>

#include "test_window.h"

namespace notify {
namespace {

using shadow_test::TestWindow;

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kOther = WM_APP + 2;

// Records each call; optionally handles in the before step or rewrites the result after.
class RecordingCallback : public MessageCallback {
 public:
  struct Call {
    bool before;
    UINT msg;
    LRESULT resultSeen;
    std::int32_t user;
  };
  std::vector<Call> calls;
  bool handleBefore = false;
  LRESULT beforeResult = 0;
  LRESULT afterAdd = 0;
  bool throwBefore = false;
  std::function<void(UINT)> onBefore;

  void OnMessage(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND, UINT uMsg, WPARAM, LPARAM,
                 std::int32_t& lParamUser) override {
    calls.push_back({bBefore, uMsg, lReturn, lParamUser});
    if (bBefore && onBefore) onBefore(uMsg);
    if (bBefore && throwBefore) throw std::runtime_error("callback failure");
    if (bBefore && handleBefore) {
      bHandled = true;
      lReturn = beforeResult;
    }
    if (!bBefore) lReturn += afterAdd;
  }
};

class InterceptorTest : public ::testing::Test {
 protected:
  InterceptorTest() {
    interceptor.SetErrorReport([this](const std::wstring& routine, const std::wstring& text) {
      reports.emplace_back(routine, text);
    });
    // The window's own procedure answers kProbe with 7 and kOther with 9.
    form.SetHook([](UINT msg, WPARAM, LPARAM, LRESULT& result) {
      if (msg == kProbe) return (result = 7), true;
      if (msg == kOther) return (result = 9), true;
      return false;
    });
  }
  using Report = std::pair<std::wstring, std::wstring>;
  std::vector<Report> reports;
  RecordingCallback callback;
  Interceptor interceptor;
  TestWindow form{50, 50, 120, 80};
};

TEST_F(InterceptorTest, RefusalsAreReportedAndChangeNothing) {
  struct Case {
    const char* what;
    HWND window;
    MessageCallback* cb;
    const wchar_t* text;
  };
  DWORD desktopProcess = 0;
  ::GetWindowThreadProcessId(::GetDesktopWindow(), &desktopProcess);
  std::vector<Case> cases{
      {"null handle", nullptr, &callback, L"Invalid window handle"},
      {"stale handle", reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF1234)), &callback,
       L"Invalid window handle"},
      {"no callback", form.hwnd(), nullptr, L"Callback method not found"},
  };
  if (desktopProcess != ::GetCurrentProcessId()) {
    cases.push_back({"desktop window", ::GetDesktopWindow(), &callback,
                     L"Window handle belongs to another process"});
  } else {
    std::printf("note: the desktop window belongs to this process; other-process case not reached\n");
  }
  for (const auto& c : cases) {
    reports.clear();
    EXPECT_FALSE(interceptor.sc_Subclass(c.window, 0, c.cb)) << c.what;
    ASSERT_EQ(reports.size(), 1u) << c.what;
    EXPECT_EQ(reports[0], (Report{L"sc_Subclass", c.text})) << c.what;
  }
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(TestWindow::OriginalProc()));
  // None of the refusals created the registry.
  reports.clear();
  EXPECT_EQ(interceptor.zMap_hWnd(form.hwnd()), nullptr);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{L"zMap_hWnd", L"Subclassing hasn't been started"}));
}

TEST_F(InterceptorTest, AllocationFailureIsReportedWithTheErrorCode) {
  interceptor.FailNextAllocationForTest();
  EXPECT_FALSE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{L"sc_Subclass", L"VirtualAlloc failed, error: 8"}));
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(TestWindow::OriginalProc()));
  // Only the one attempt failed.
  EXPECT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
}

TEST_F(InterceptorTest, UnknownWindowsAreReported) {
  reports.clear();
  interceptor.sc_UnSubclass(form.hwnd());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{L"sc_UnSubclass", L"Window handle isn't subclassed"}));

  TestWindow other(10, 10, 20, 20);
  ASSERT_TRUE(interceptor.sc_Subclass(other.hwnd(), 0, &callback));
  reports.clear();
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore);
  interceptor.sc_UnSubclass(form.hwnd());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], (Report{L"zMap_hWnd", L"Window handle isn't subclassed"}));
  EXPECT_EQ(reports[1], (Report{L"zMap_hWnd", L"Window handle isn't subclassed"}));
}

TEST_F(InterceptorTest, SecondSubclassIsRefusedAndTheFirstStays) {
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore);
  RecordingCallback second;
  EXPECT_FALSE(interceptor.sc_Subclass(form.hwnd(), 0, &second));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{L"sc_Subclass", L"Window handle is already subclassed"}));
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 7);
  EXPECT_EQ(callback.calls.size(), 1u);
  EXPECT_TRUE(second.calls.empty());
}

TEST_F(InterceptorTest, NothingIsDeliveredUntilWatched) {
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 7);
  EXPECT_TRUE(callback.calls.empty());
  EXPECT_EQ(form.Received(kProbe), 1);
}

TEST_F(InterceptorTest, BeforeThenWindowThenAfter) {
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 1234, &callback));
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore | kWatchAfter);
  interceptor.WatchMessage(form.hwnd(), kOther, kWatchAfter);
  callback.afterAdd = 100;
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 107);
  ASSERT_EQ(callback.calls.size(), 2u);
  EXPECT_TRUE(callback.calls[0].before);
  EXPECT_EQ(callback.calls[0].resultSeen, 0);
  EXPECT_EQ(callback.calls[0].user, 1234);
  EXPECT_FALSE(callback.calls[1].before);
  EXPECT_EQ(callback.calls[1].resultSeen, 7);  // the window's own answer
  EXPECT_EQ(form.Received(kProbe), 1);

  callback.calls.clear();
  EXPECT_EQ(::SendMessageW(form.hwnd(), kOther, 0, 0), 109);
  ASSERT_EQ(callback.calls.size(), 1u);
  EXPECT_FALSE(callback.calls[0].before);
  // An unwatched message passes unchanged.
  callback.calls.clear();
  EXPECT_EQ(::SendMessageW(form.hwnd(), WM_APP + 3, 0, 0), 0);
  EXPECT_TRUE(callback.calls.empty());
  EXPECT_EQ(form.Received(WM_APP + 3), 1);
}

TEST_F(InterceptorTest, HandledBeforeSkipsTheWindowAndTheAfterStep) {
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore | kWatchAfter);
  callback.handleBefore = true;
  callback.beforeResult = 42;
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 42);
  EXPECT_EQ(form.Received(kProbe), 0);
  ASSERT_EQ(callback.calls.size(), 1u);
  EXPECT_TRUE(callback.calls[0].before);
}

TEST_F(InterceptorTest, AllMessagesAndAThrowingCallback) {
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  interceptor.WatchMessage(form.hwnd(), ALL_MESSAGES, kWatchBefore);
  callback.throwBefore = true;
  EXPECT_EQ(::SendMessageW(form.hwnd(), kOther, 0, 0), 9);
  EXPECT_EQ(::SendMessageW(form.hwnd(), WM_APP + 9, 0, 0), 0);
  EXPECT_EQ(callback.calls.size(), 2u);
  EXPECT_EQ(form.Received(kOther), 1);
  EXPECT_EQ(form.Received(WM_APP + 9), 1);
}

TEST_F(InterceptorTest, WatchOverflowIsReportedThroughTheInterceptor) {
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  for (int i = 0; i < MSG_ENTRIES + 1; ++i) interceptor.WatchMessage(form.hwnd(), WM_APP + 100 + i, kWatchBefore | kWatchAfter);
  ASSERT_EQ(reports.size(), 2u);  // once per table
  EXPECT_EQ(reports[0].first, L"zAddMsg");
  ::SendMessageW(form.hwnd(), WM_APP + 100 + MSG_ENTRIES, 0, 0);
  EXPECT_TRUE(callback.calls.empty());
  ::SendMessageW(form.hwnd(), WM_APP + 100, 0, 0);
  EXPECT_EQ(callback.calls.size(), 2u);
}

TEST_F(InterceptorTest, UnSubclassRestoresTheProcedure) {
  const auto original = ::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC);
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore);
  EXPECT_NE(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), original);
  interceptor.sc_UnSubclass(form.hwnd());
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), original);
  EXPECT_EQ(::SendMessageW(form.hwnd(), kProbe, 0, 0), 7);
  EXPECT_TRUE(callback.calls.empty());
  EXPECT_TRUE(reports.empty());
  // The window can be intercepted again afterwards.
  EXPECT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
}

// Ending the interception from inside a message of the window, with another message of
// the same window nested deeper: the subclass stays until the outermost one returns.
TEST_F(InterceptorTest, UnSubclassInsideAMessageWaitsForTheStackToUnwind) {
  const auto original = ::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC);
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore | kWatchAfter);
  interceptor.WatchMessage(form.hwnd(), kOther, kWatchBefore | kWatchAfter);
  LONG_PTR procInside = 0;
  LRESULT nested = 0;
  const int liveBefore = LiveInterceptions();
  int liveInside = 0;
  form.SetHook([&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == kProbe) {
      nested = ::SendMessageW(form.hwnd(), kOther, 0, 0);
      return (result = 7), true;
    }
    if (msg == kOther) {
      interceptor.sc_UnSubclass(form.hwnd());
      procInside = ::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC);
      liveInside = LiveInterceptions();
      return (result = 9), true;
    }
    return false;
  });
  callback.afterAdd = 100;
  const LRESULT outer = ::SendMessageW(form.hwnd(), kProbe, 0, 0);
  EXPECT_NE(procInside, original);
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), original);
  // The record lived on while the messages were on the stack, and was released after.
  EXPECT_EQ(liveInside, liveBefore);
  EXPECT_EQ(LiveInterceptions(), liveBefore - 1);
  // No callback after the shutdown: neither the nested after step nor the outer one.
  EXPECT_EQ(nested, 9);
  EXPECT_EQ(outer, 7);
  ASSERT_EQ(callback.calls.size(), 2u);
  EXPECT_TRUE(callback.calls[0].before);
  EXPECT_EQ(callback.calls[1].msg, kOther);
  EXPECT_TRUE(reports.empty());
}

TEST_F(InterceptorTest, StopAllRestoresEveryWindow) {
  TestWindow second(20, 20, 30, 30);
  const auto original = ::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC);
  ASSERT_TRUE(interceptor.sc_Subclass(form.hwnd(), 0, &callback));
  ASSERT_TRUE(interceptor.sc_Subclass(second.hwnd(), 0, &callback));
  interceptor.WatchMessage(form.hwnd(), kProbe, kWatchBefore);
  interceptor.WatchMessage(second.hwnd(), kProbe, kWatchBefore);
  const int live = LiveInterceptions();
  interceptor.StopAllInterception();
  EXPECT_EQ(LiveInterceptions(), live - 2);
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), original);
  EXPECT_EQ(::GetWindowLongPtrW(second.hwnd(), GWLP_WNDPROC), original);
  ::SendMessageW(form.hwnd(), kProbe, 0, 0);
  ::SendMessageW(second.hwnd(), kProbe, 0, 0);
  EXPECT_TRUE(callback.calls.empty());
  EXPECT_TRUE(reports.empty());
  // The registry is gone with it.
  EXPECT_EQ(interceptor.zMap_hWnd(form.hwnd()), nullptr);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].second, L"Subclassing hasn't been started");
}

TEST_F(InterceptorTest, WindowDestroyedWhileInterceptedIsHarmless) {
  auto doomed = std::make_unique<TestWindow>(5, 5, 10, 10);
  const HWND hwnd = doomed->hwnd();
  ASSERT_TRUE(interceptor.sc_Subclass(hwnd, 0, &callback));
  interceptor.WatchMessage(hwnd, WM_DESTROY, kWatchBefore);
  doomed.reset();
  ASSERT_EQ(callback.calls.size(), 1u);
  EXPECT_EQ(callback.calls[0].msg, static_cast<UINT>(WM_DESTROY));
  interceptor.StopAllInterception();
  EXPECT_TRUE(reports.empty());
}

// A window of another thread of this process: installing the subclass there is refused
// with the install failure, and nothing is left registered.
TEST_F(InterceptorTest, WindowOfAnotherThreadIsRefused) {
  struct ForeignWindow {
    HWND hwnd = nullptr;
    HANDLE created = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE finish = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread owner{[this] {
      TestWindow window(0, 0, 10, 10);
      hwnd = window.hwnd();
      ::SetEvent(created);
      ::WaitForSingleObject(finish, 10000);
    }};
    ~ForeignWindow() {
      ::SetEvent(finish);
      owner.join();
      ::CloseHandle(created);
      ::CloseHandle(finish);
    }
  } foreign;
  ::WaitForSingleObject(foreign.created, 10000);
  ASSERT_TRUE(::IsWindow(foreign.hwnd));
  EXPECT_FALSE(interceptor.sc_Subclass(foreign.hwnd, 0, &callback));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, L"sc_Subclass");
  EXPECT_EQ(reports[0].second, L"SetWindowLong failed, error #" + std::to_wstring(ERROR_INVALID_THREAD_ID));
  EXPECT_EQ(::GetWindowLongPtrW(foreign.hwnd, GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(TestWindow::OriginalProc()));
  reports.clear();
  EXPECT_EQ(interceptor.zMap_hWnd(foreign.hwnd), nullptr);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].second, L"Window handle isn't subclassed");
}

// The product's report: a warning box titled "Error in CL10.<routine>" showing the text
// with a full stop. A helper thread reads it and presses OK.
TEST(ErrorReportBox, ShowsTitleAndTextAndWaitsForOk) {
  std::wstring seenText;
  bool found = false;
  std::thread closer([&] {
    for (int i = 0; i < 200 && !found; ++i) {
      const HWND box = ::FindWindowW(L"#32770", L"Error in CL10.sc_Subclass");
      if (box != nullptr) {
        found = true;
        wchar_t text[256] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 256);
        seenText = text;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      ::Sleep(50);
    }
  });
  ShowErrorReport(L"sc_Subclass", L"Invalid window handle");
  closer.join();
  EXPECT_TRUE(found);
  EXPECT_EQ(seenText, L"Invalid window handle.");
}

}  // namespace
}  // namespace notify
