#pragma once
// A timer that ticks on the interface thread through the window's message dispatch, the
// way a form's timer control does: an interval in milliseconds and an Enabled flag; an
// interval of 0 never ticks. The tick callback runs trapped: no exception leaves it.
#include <windows.h>

#include <cstdint>
#include <functional>

namespace notify::ui {

class Form;

class Timer {
 public:
  // Disabled, interval 0. The window must outlive the timer.
  Timer(HWND window, std::function<void()> onTick);
  Timer(Form& form, std::function<void()> onTick);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  std::uint32_t Interval() const { return interval_; }
  // Restarts the count when the timer runs.
  void Interval(std::uint32_t milliseconds);
  bool Enabled() const { return enabled_; }
  void Enabled(bool value);

 private:
  static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time) noexcept;
  void Apply();

  HWND window_;
  UINT_PTR id_;
  std::function<void()> onTick_;
  std::uint32_t interval_ = 0;
  bool enabled_ = false;
  bool running_ = false;
};

}  // namespace notify::ui
