#include <windows.h>

#include "app/frm_main_win.h"
#include "app/single_instance.h"
#include "platform/handles_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A second start of the same copy ends before it touches anything.
  if (!notify::ClaimSingleInstance()) return 0;
  notify::win::CoUninitializeOwner com;
  static notify::FrmMain form;
  form.Form_Load();
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  form.ReleaseAndExit();
}
