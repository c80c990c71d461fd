#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "checker/console.h"

namespace notify::checker {

std::vector<std::wstring> CommandArguments(int, char**) {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (list == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
  ::LocalFree(list);
  return arguments;
}

std::wstring CurrentFolder() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  const DWORD written = ::GetCurrentDirectoryW(size, folder.data());
  folder.resize(written);
  return folder;
}

bool PrepareProcess() {
  (void)::SetConsoleOutputCP(CP_UTF8);
  return SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

void EndProcess() { ::CoUninitialize(); }

}  // namespace notify::checker
