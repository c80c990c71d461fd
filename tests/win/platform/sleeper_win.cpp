// Test helper: sleeps <ms> milliseconds, then creates the file <marker>.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (args == nullptr || count < 3) return 2;
  ::Sleep(static_cast<DWORD>(std::wcstoul(args[1], nullptr, 10)));
  HANDLE marker = ::CreateFileW(args[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(marker);
  ::LocalFree(args);
  return 0;
}
