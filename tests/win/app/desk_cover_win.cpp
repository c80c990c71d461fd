// Helper for the end-to-end desk tests: one window in the foreground for a while, then the
// end. Arguments: seconds, then optionally x y width height; without a rectangle the
// window is a borderless popup covering the primary monitor, like a full-screen game.
// "seconds --start program" covers the monitor and then starts the program, as a kiosk
// host starts Notify from its own start-up.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    ::GetClientRect(window, &r);
    ::FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    return 1;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 2;
  const DWORD seconds = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
  int x = 0, y = 0, w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
  DWORD style = WS_POPUP;
  std::wstring start;
  if (argc >= 4 && std::wcscmp(argv[2], L"--start") == 0) {
    start = std::wstring(L"\"") + argv[3] + L"\"";
  } else if (argc >= 6) {
    x = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    y = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    w = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
    h = static_cast<int>(std::wcstol(argv[5], nullptr, 10));
    style = WS_OVERLAPPEDWINDOW;
  }
  ::LocalFree(argv);

  WNDCLASSW wc{};
  wc.lpfnWndProc = CoverProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"DeskCover";
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (::RegisterClassW(&wc) == 0) return 3;
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Desk cover", style, x, y, w, h, nullptr, nullptr, instance,
                                  nullptr);
  if (window == nullptr) return 4;
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
  ::UpdateWindow(window);
  if (!start.empty()) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!::CreateProcessW(nullptr, start.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
      return 5;
    }
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
  }

  const ULONGLONG end = ::GetTickCount64() + seconds * 1000ull;
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  ::DestroyWindow(window);
  return 0;
}
