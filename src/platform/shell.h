#pragma once
// Handing a file, program or link to the shell with the verb "open". An absolute local
// path (one holding ":\") is launched only when it names an existing file.
#include <cstdint>
#include <string>

namespace notify {

inline constexpr std::int32_t kShowHidden = 0;
inline constexpr std::int32_t kShowNormal = 5;

void ShellOpen(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand) noexcept;
void ShellRunAndWait(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand,
                     std::int32_t timeoutMs) noexcept;

// The guard both operations share: true when the target may be handed to the shell.
bool ShellMayLaunch(const std::wstring& target) noexcept;

// What actually starts a target once the guard let it through. Tests install their own
// (one that records its launches); nullptr puts the platform's launcher back.
class ShellLauncher {
 public:
  virtual ~ShellLauncher() = default;
  virtual void Open(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand) = 0;
  virtual void RunAndWait(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand,
                          std::int32_t timeoutMs) = 0;
};

ShellLauncher& PlatformShellLauncher();
void SetShellLauncher(ShellLauncher* launcher);

}  // namespace notify
