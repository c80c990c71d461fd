#include <windows.h>

#include "app/single_instance.h"
#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/paths.h"

namespace notify {

bool ClaimSingleInstance() noexcept {
  return Trap(true, [] {
    // Held until the process ends: the kernel releases it even after a crash.
    static win::CloseHandleOwner marker;
    marker.reset(::CreateMutexW(nullptr, FALSE, InstanceMarkerName(ExecutablePath()).c_str()));
    return !(marker && ::GetLastError() == ERROR_ALREADY_EXISTS);
  });
}

}  // namespace notify
