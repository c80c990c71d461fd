#pragma once
// A real top-level host window for the button tests, on the X server, with a plain
// background, plus a message pump with a deadline.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/handles_win.h"
#include "pump_win.h"

namespace notify::test {

inline void Pump(int ms) { PumpFor(ms); }

// Pumps until `done` holds or `ms` pass; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Pump(10);
  }
  return true;
}

class HostWindow {
 public:
  static constexpr std::uint32_t kBackground = 0x336699;  // 0x00RRGGBB

  HostWindow(int x, int y, int w, int h) {
    static const bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.hbrBackground = ::CreateSolidBrush(RGB(0x33, 0x66, 0x99));
      wc.lpszClassName = L"NotifyButtonTestHost";
      return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    window_.reset(::CreateWindowExW(WS_EX_TOPMOST, L"NotifyButtonTestHost", L"host",
                                    WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w, h, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr));
    ::UpdateWindow(window_.get());
    Pump(30);
  }
  HWND get() const { return window_.get(); }

  // A pixel of the screen at a point of the host's client area, 0x00RRGGBB.
  std::uint32_t ScreenPixel(int x, int y) const {
    POINT p{x, y};
    ::ClientToScreen(window_.get(), &p);
    win::ReleaseDcOwner screen(nullptr);
    const COLORREF c = ::GetPixel(screen.get(), p.x, p.y);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }

  POINT ToScreen(int x, int y) const {
    POINT p{x, y};
    ::ClientToScreen(window_.get(), &p);
    return p;
  }

 private:
  win::DestroyWindowOwner window_;
};

}  // namespace notify::test

namespace notify::test {

// Starts /usr/bin/xdotool with the given arguments. Wine runs a Unix program from a
// CreateProcess call but gives no waitable handle, so callers pump until they see the
// effect.
inline bool Xdotool(const std::wstring& args) {
  std::wstring command = L"Z:\\usr\\bin\\xdotool " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
    return false;
  win::CloseHandleOwner process(pi.hProcess);
  win::CloseHandleOwner thread(pi.hThread);
  return true;
}

}  // namespace notify::test
