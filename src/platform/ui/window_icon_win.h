#pragma once
// A window the system knows no icon for has one looked up and converted the first time it
// is shown (under Wine, the default icon for each top-level window: milliseconds each).
// Given the stock one when it is made, its first show is only the show.
#include <windows.h>

namespace notify::ui {

inline void GiveStockIcon(HWND window) {
  const HICON icon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));  // shared: never freed
  if (window != nullptr && icon != nullptr) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

}  // namespace notify::ui
