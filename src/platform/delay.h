#pragma once
// CL02: a wait that keeps the window responsive. SB01 sleeps in the kernel on a named
// waitable timer and dispatches every window message that arrives meanwhile.
#include <cstdint>
#include <memory>
#include <string>

namespace notify {

// The executable's base name + "Timer" + the local minutes and seconds, two digits each.
std::wstring DelayTimerName(const std::wstring& baseName, int minute, int second);

class CL02 {
 public:
  CL02() = default;
  ~CL02();
  CL02(const CL02&) = delete;
  CL02& operator=(const CL02&) = delete;

  // Returns when `milliseconds` have passed; window messages are dispatched meanwhile.
  void SB01(const std::int32_t& milliseconds) noexcept;

 private:
  [[maybe_unused]] void* timer_ = nullptr;  // the kernel handle while a wait is in progress (Win32 only)
};

void CreateDelayObject(std::unique_ptr<CL02>& delayObject);
void ReleaseDelayObject(std::unique_ptr<CL02>& delayObject) noexcept;

// Waits at least once, then until left equals right; both are read again after every
// wait, so a message handler that runs inside the wait can end it.
template <class Left, class Right>
void WaitUntil(CL02* delayObject, const std::int32_t& milliseconds, const Left& left, const Right& right) {
  if (delayObject == nullptr) return;  // no delay object: waiting would spin forever
  do {
    delayObject->SB01(milliseconds);
  } while (!(left == right));
}

}  // namespace notify
