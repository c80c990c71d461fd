#pragma once
// The DPI a window is shown at: per monitor where the system knows it (Windows 10 1607
// and later), otherwise the system DPI, otherwise 96.
#include <windows.h>

#include "platform/ui/screen.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace notify::ui {

int WindowDpi(HWND window) noexcept;
int SystemDpi() noexcept;
// The DPI of the monitor that holds most of `monitor` (screen pixels; the primary monitor
// when empty), as a window shown there is drawn at.
int MonitorDpi(const Edges& monitor) noexcept;

}  // namespace notify::ui
