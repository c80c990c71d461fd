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

}  // namespace notify
