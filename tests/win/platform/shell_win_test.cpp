#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "platform/handles_win.h"
#include "platform/shell.h"
#include "win_platform_support.h"

namespace notify {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::set<std::wstring> ProcessesNow() {
  std::set<std::wstring> processes;
  const win::CloseHandleOwner snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) return processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    processes.insert(std::to_wstring(entry.th32ProcessID) + L":" + entry.szExeFile);
  }
  return processes;
}

// Processes that appear within `settle` after `action`, by pid and image name.
template <class Action>
std::set<std::wstring> NewProcessesAfter(Action action, std::chrono::milliseconds settle) {
  const auto before = ProcessesNow();
  action();
  std::set<std::wstring> appeared;
  const auto end = Clock::now() + settle;
  while (Clock::now() < end) {
    for (const auto& p : ProcessesNow()) {
      if (!before.count(p)) appeared.insert(p);
    }
    ::Sleep(50);
  }
  return appeared;
}

// Ends the processes this test caused, so no stray window outlives it.
void EndProcesses(const std::set<std::wstring>& processes) {
  for (const auto& p : processes) {
    const auto pid = static_cast<DWORD>(std::stoul(p.substr(0, p.find(L':'))));
    const win::CloseHandleOwner process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) continue;
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 5000);
  }
}

std::wstring Quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

TEST(WinShell, RunAndWaitReturnsAtTheTimeoutWhileTheChildGoesOn) {
  const test::TempDir dir;
  const auto marker = dir / "late.txt";
  const auto start = Clock::now();
  ShellRunAndWait(test::SleeperPath(), L"4000 " + Quoted(marker), kShowHidden, 600);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, 550ms) << Seconds(waited);
  EXPECT_LT(waited, 3000ms) << Seconds(waited);
  EXPECT_FALSE(std::filesystem::exists(marker));
  // Not terminated: it finishes its sleep and writes the marker on its own.
  EXPECT_TRUE(test::Eventually([&] { return std::filesystem::exists(marker); }, 30s));
}

TEST(WinShell, RunAndWaitReturnsOnceTheChildEnded) {
  const test::TempDir dir;
  const auto marker = dir / "early.txt";
  const auto start = Clock::now();
  ShellRunAndWait(test::SleeperPath(), L"300 " + Quoted(marker), kShowHidden, 60000);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, 250ms) << Seconds(waited);
  EXPECT_LT(waited, 30s) << Seconds(waited);
  EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST(WinShell, OpenStartsAnExistingProgram) {
  const test::TempDir dir;
  const auto marker = dir / "opened.txt";
  ShellOpen(test::SleeperPath(), L"0 " + Quoted(marker), kShowNormal);
  EXPECT_TRUE(test::Eventually([&] { return std::filesystem::exists(marker); }, 30s));
}

TEST(WinShell, MissingAbsolutePathIsNeverLaunched) {
  const test::TempDir dir;
  const auto target = test::ModuleFolder(dir) + L"missing\\platform_sleeper.exe";
  const auto marker = dir / "never.txt";
  const auto start = Clock::now();
  const auto appeared = NewProcessesAfter(
      [&] {
        ShellRunAndWait(target, L"0 " + Quoted(marker), kShowHidden, 20000);
        ShellOpen(target, L"0 " + Quoted(marker), kShowNormal);
      },
      1500ms);
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_TRUE(appeared.empty());
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(WinShell, ExistingFolderIsNotOpened) {
  const test::TempDir dir;
  const auto folder = test::ModuleFolder(dir);
  const auto guarded = NewProcessesAfter([&] { ShellOpen(folder, L"", kShowNormal); }, 2000ms);
  EXPECT_TRUE(guarded.empty());
  // The control: handed to the shell directly, the folder does open (a browser process).
  const auto direct = NewProcessesAfter([&] { PlatformShellLauncher().Open(folder, L"", kShowNormal); }, 4000ms);
  EXPECT_FALSE(direct.empty());
  EndProcesses(direct);
}

}  // namespace
}  // namespace notify
