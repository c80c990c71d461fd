#include "platform/delay.h"

#include <cstdio>

namespace notify {

std::wstring DelayTimerName(const std::wstring& baseName, int minute, int second) {
  wchar_t stamp[8];
  std::swprintf(stamp, sizeof stamp / sizeof stamp[0], L"%02d%02d", minute % 100, second % 100);
  return baseName + L"Timer" + stamp;
}

void CreateDelayObject(std::unique_ptr<CL02>& delayObject) {
  if (!delayObject) delayObject = std::make_unique<CL02>();
}

void ReleaseDelayObject(std::unique_ptr<CL02>& delayObject) noexcept { delayObject.reset(); }

}  // namespace notify
