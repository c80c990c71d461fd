#include "platform/shell.h"

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace notify {
namespace {

ShellLauncher*& InstalledLauncher() {
  static ShellLauncher* launcher = nullptr;
  return launcher;
}

ShellLauncher& CurrentLauncher() {
  auto* launcher = InstalledLauncher();
  return launcher != nullptr ? *launcher : PlatformShellLauncher();
}

}  // namespace

// Web addresses, names found through the search path and network paths go unchecked.
bool ShellMayLaunch(const std::wstring& target) noexcept {
  return Trap(false, [&] { return FindNoCase(target, L":\\") == std::wstring::npos || FileExists(target); });
}

void SetShellLauncher(ShellLauncher* launcher) { InstalledLauncher() = launcher; }

void ShellOpen(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand) noexcept {
  TrapVoid([&] {
    if (ShellMayLaunch(target)) CurrentLauncher().Open(target, parameters, showCommand);
  });
}

void ShellRunAndWait(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand,
                     std::int32_t timeoutMs) noexcept {
  TrapVoid([&] {
    // A negative time-out would become an endless wait on the interface thread.
    if (ShellMayLaunch(target)) CurrentLauncher().RunAndWait(target, parameters, showCommand, timeoutMs < 0 ? 0 : timeoutMs);
  });
}

}  // namespace notify
