// Test host for the end-to-end shadow test: a white full-screen backdrop that records
// clicks, and a white borderless popup above it wearing the popup's shadow.
//   shadow_host.exe <folder> [transparency]   writes <folder>\ready once shown, appends
//   "x y" lines to <folder>\clicks for clicks on the backdrop, and exits when
//   <folder>\stop appears or after 60 seconds. A transparency replaces the popup's 50.
#include <windows.h>

#include <cstdio>
#include <string>

#include "controls/shadow/cl10_win.h"
#include "platform/text.h"

namespace {

std::wstring folder;

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void AppendLine(const std::wstring& path, const std::string& line) {
  FILE* file = _wfopen(path.c_str(), L"ab");
  if (file == nullptr) return;
  std::fputs(line.c_str(), file);
  std::fclose(file);
}

LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN) {
    POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ::ClientToScreen(hwnd, &at);
    AppendLine(folder + L"\\clicks", std::to_string(at.x) + " " + std::to_string(at.y) + "\n");
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeWindow(const wchar_t* className, WNDPROC proc, int x, int y, int cx, int cy) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = className;
  ::RegisterClassExW(&wc);
  return ::CreateWindowExW(WS_EX_TOOLWINDOW, className, className, WS_POPUP, x, y, cx, cy, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // The folder is quoted only when it holds a blank.
  const std::wstring line = commandLine;
  const bool quoted = !line.empty() && line.front() == L'"';
  const std::size_t end = quoted ? line.find(L'"', 1) : line.find(L' ');
  folder = line.substr(quoted ? 1 : 0, end == std::wstring::npos ? std::wstring::npos : end - (quoted ? 1 : 0));
  if (folder.empty()) return 2;
  const std::wstring rest = end == std::wstring::npos ? L"" : line.substr(end + 1);
  const int transparency = rest.find_first_of(L"0123456789") == std::wstring::npos ? -1 : _wtoi(rest.c_str());
  const HWND backdrop = MakeWindow(L"ShadowHostBackdrop", BackdropProc, 0, 0,
                                   ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  const HWND popup = MakeWindow(L"ShadowHostPopup", ::DefWindowProcW, 200, 150, 300, 200);
  if (backdrop == nullptr || popup == nullptr) return 1;
  notify::CL10 shadow;
  shadow.SetErrorReport([](const std::wstring& routine, const std::wstring& text) {
    AppendLine(folder + L"\\errors", notify::ToUtf8(notify::ErrorLogText(routine, text)) + "\n");
  });
  notify::ApplyShadow(popup, shadow);
  if (transparency >= 0) shadow.SetTransparency(transparency);
  ::ShowWindow(backdrop, SW_SHOWNOACTIVATE);
  ::UpdateWindow(backdrop);
  ::ShowWindow(popup, SW_SHOW);
  ::UpdateWindow(popup);
  AppendLine(folder + L"\\ready", shadow.Shown() ? "shown\n" : "not shown\n");

  const DWORD deadline = ::GetTickCount() + 60000;
  ::SetTimer(nullptr, 0, 200, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
      if (Exists(folder + L"\\stop") || static_cast<LONG>(deadline - ::GetTickCount()) <= 0) break;
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
