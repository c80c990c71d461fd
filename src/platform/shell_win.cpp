#include <windows.h>
#include <shellapi.h>

#include "platform/handles_win.h"
#include "platform/shell.h"

namespace notify {
namespace {

class Win32Launcher final : public ShellLauncher {
 public:
  // The shell's result is not examined: a target it cannot open simply changes nothing.
  void Open(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand) override {
    static_cast<void>(::ShellExecuteW(nullptr, L"open", target.c_str(), parameters.c_str(), nullptr, showCommand));
  }

  // The process is never terminated: after the time-out it goes on running on its own.
  void RunAndWait(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand,
                  std::int32_t timeoutMs) override {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = L"";
    info.nShow = showCommand;
    static_cast<void>(::ShellExecuteExW(&info));
    const win::CloseHandleOwner process(info.hProcess);
    if (!process) return;
    static_cast<void>(::WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs)));
  }
};

}  // namespace

ShellLauncher& PlatformShellLauncher() {
  static Win32Launcher launcher;
  return launcher;
}

}  // namespace notify
