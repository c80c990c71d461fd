#pragma once
// The DPI a window is shown at: per monitor where the system knows it (Windows 10 1607
// and later), otherwise the system DPI, otherwise 96.
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace notify::ui {

int WindowDpi(HWND window) noexcept;
int SystemDpi() noexcept;

}  // namespace notify::ui
