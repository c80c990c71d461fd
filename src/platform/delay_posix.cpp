#include <chrono>
#include <thread>

#include "platform/delay.h"

namespace notify {

// The native build has no window messages to dispatch: the wait is a plain sleep.
CL02::~CL02() = default;

void CL02::SB01(const std::int32_t& milliseconds) noexcept {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace notify
