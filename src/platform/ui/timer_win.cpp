#include "platform/ui/timer_win.h"

#include <map>
#include <utility>

#include "platform/error.h"
#include "platform/ui/form_win.h"

namespace notify::ui {
namespace {

// Live timers by id. KillTimer leaves already-posted WM_TIMER messages in the queue, so
// a tick is delivered only to a timer that still exists.
std::map<UINT_PTR, Timer*>& LiveTimers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}

UINT_PTR NextTimerId() {
  static UINT_PTR next = 0x4E00;
  return ++next;
}

}  // namespace

Timer::Timer(HWND window, std::function<void()> onTick)
    : window_(window), id_(NextTimerId()), onTick_(std::move(onTick)) {
  LiveTimers()[id_] = this;
}

Timer::Timer(Form& form, std::function<void()> onTick) : Timer(form.Handle(), std::move(onTick)) {}

Timer::~Timer() {
  LiveTimers().erase(id_);
  if (running_) ::KillTimer(window_, id_);
}

void Timer::Interval(std::uint32_t milliseconds) {
  interval_ = milliseconds;
  Apply();
}

void Timer::Enabled(bool value) {
  enabled_ = value;
  Apply();
}

void Timer::Apply() {
  if (running_) {
    ::KillTimer(window_, id_);
    running_ = false;
  }
  if (!enabled_ || interval_ == 0) return;
  if (::SetTimer(window_, id_, interval_, &Timer::TimerProc) == 0) Fail("SetTimer");
  running_ = true;
}

void CALLBACK Timer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) noexcept {
  const auto found = LiveTimers().find(id);
  if (found == LiveTimers().end()) return;
  Timer* timer = found->second;
  if (!timer->enabled_ || !timer->onTick_) return;
  TrapVoid([timer] { timer->onTick_(); });
}

}  // namespace notify::ui
