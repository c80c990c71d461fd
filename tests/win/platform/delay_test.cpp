#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/delay.h"
#include "platform/handles_win.h"
#include "platform/paths.h"

namespace notify {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point begin) {
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

// A message-only window whose WM_USER handler counts and optionally changes a value.
struct Receiver {
  static inline int handled = 0;
  static inline int* target = nullptr;
  win::DestroyWindowOwner window;

  Receiver() {
    handled = 0;
    target = nullptr;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_USER) {
        ++handled;
        if (target != nullptr) *target = 1;
        return 0;
      }
      return DefWindowProcW(h, m, w, l);
    };
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NotifyDelayTestReceiver";
    RegisterClassW(&wc);
    window.reset(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
  }
};

// Posts WM_USER to the receiver from another thread after `delayMs`.
struct LatePost {
  HANDLE thread;
  struct Args {
    HWND window;
    DWORD delayMs;
  } args;
  LatePost(HWND window, DWORD delayMs) : args{window, delayMs} {
    thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
          auto* a = static_cast<Args*>(p);
          Sleep(a->delayMs);
          PostMessageW(a->window, WM_USER, 0, 0);
          return 0;
        },
        &args, 0, nullptr);
  }
  ~LatePost() {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
};

TEST(DelayUnderWine, OneSecondWaitDispatchesMessagesThatArriveMeanwhile) {
  Receiver receiver;
  ASSERT_TRUE(receiver.window);
  CL02 delay;
  const Clock::time_point begin = Clock::now();
  {
    LatePost post(receiver.window.get(), 300);
    delay.SB01(1000);
  }
  const double elapsed = SecondsSince(begin);
  EXPECT_EQ(Receiver::handled, 1) << "the posted message ran inside the wait";
  EXPECT_GT(elapsed, 0.9);
  EXPECT_LT(elapsed, 3.0);
}

TEST(DelayUnderWine, WaitUntilEndsAfterTheWaitInWhichAHandlerMadeTheValuesEqual) {
  Receiver receiver;
  std::unique_ptr<CL02> delay;
  CreateDelayObject(delay);
  int left = 0;
  const int right = 1;
  Receiver::target = &left;
  const Clock::time_point begin = Clock::now();
  {
    LatePost post(receiver.window.get(), 1300);  // during the second 1-second wait
    WaitUntil(delay.get(), 1000, left, right);
  }
  const double elapsed = SecondsSince(begin);
  EXPECT_EQ(left, 1);
  EXPECT_GT(elapsed, 1.9) << "the second wait ran to its end";
  EXPECT_LT(elapsed, 3.5) << "no third wait";

  const Clock::time_point once = Clock::now();
  WaitUntil(delay.get(), 300, right, right);  // equal from the start: exactly one wait
  EXPECT_GT(SecondsSince(once), 0.25);
  EXPECT_LT(SecondsSince(once), 0.9);
}

TEST(DelayUnderWine, WithoutItsNamedTimerTheWaitStillLastsAndDispatches) {
  // A mutex holding every name the timer could take makes CreateWaitableTimer fail.
  std::vector<win::CloseHandleOwner> blockers;
  SYSTEMTIME now;
  GetLocalTime(&now);
  for (int s = 0; s < 5; ++s) {
    const int second = (now.wSecond + s) % 60;
    const int minute = (now.wMinute + (now.wSecond + s) / 60) % 60;
    blockers.emplace_back(CreateMutexW(nullptr, FALSE, DelayTimerName(ExecutableBaseName(), minute, second).c_str()));
  }
  HANDLE probe = CreateWaitableTimerW(nullptr, TRUE, DelayTimerName(ExecutableBaseName(), now.wMinute, now.wSecond).c_str());
  ASSERT_EQ(probe, nullptr) << "the blocking mutex must make the timer unobtainable";

  Receiver receiver;
  CL02 delay;
  const Clock::time_point begin = Clock::now();
  {
    LatePost post(receiver.window.get(), 300);
    delay.SB01(1000);
  }
  const double elapsed = SecondsSince(begin);
  EXPECT_EQ(Receiver::handled, 1);
  EXPECT_GT(elapsed, 0.9) << "an automatic message must not close early";
  EXPECT_LT(elapsed, 3.0);
}

}  // namespace
}  // namespace notify
