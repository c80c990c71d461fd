// Plays the system's part at log-off for the end-to-end tests: asks every popup form
// whether the session may end, then tells it that it ends. Exit code 0 when at least one
// form was asked and every one agreed, 2 when none was found, 3 when one refused.
#include <windows.h>

#include <vector>

namespace {

BOOL CALLBACK CollectForms(HWND window, LPARAM list) {
  wchar_t name[64] = {};
  if (::GetClassNameW(window, name, 64) > 0 && ::lstrcmpW(name, L"NotifyForm") == 0) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<HWND> forms;
  ::EnumWindows(&CollectForms, reinterpret_cast<LPARAM>(&forms));
  if (forms.empty()) return 2;
  for (const HWND form : forms) {
    DWORD_PTR answer = FALSE;
    if (!::SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer) ||
        answer == FALSE) {
      return 3;
    }
  }
  for (const HWND form : forms) {
    DWORD_PTR ignored = 0;
    // The form's process may end inside this call; the answer does not matter.
    (void)::SendMessageTimeoutW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &ignored);
  }
  return 0;
}
