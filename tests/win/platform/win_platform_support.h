#pragma once
// Shared by the platform's Win32 tests: module-style paths of scratch folders and the
// helper program built beside the test executable.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/paths.h"
#include "test_support.h"

namespace notify::test {

inline std::wstring ModuleFolder(const TempDir& dir) { return AddTrailingBackslash(dir.path().wstring()); }

inline std::wstring SleeperPath() { return ExecutableFolder() + L"platform_sleeper.exe"; }

// Polls for a condition with generous slack; true as soon as it holds.
template <class Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

}  // namespace notify::test
