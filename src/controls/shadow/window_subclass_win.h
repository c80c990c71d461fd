#pragma once
// A chain of subclass procedures on a window of this thread, with the calling convention
// of the common controls' subclassing, kept here so that the program does not load that
// library for the one thing it used from it.
#include <windows.h>

namespace notify {

using SubclassProcedure = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR id, DWORD_PTR refData);

// Adds `procedure` (or, already there with that id, gives it the new refData); the last
// added runs first. False when the window's procedure cannot be replaced.
bool AddSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id, DWORD_PTR refData) noexcept;
// Removes it; safe while it runs. The window's own procedure comes back when none is left.
bool RemoveSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id) noexcept;
// From inside a subclass procedure: the next one down the chain, then the window's own.
LRESULT CallNextSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace notify
