#pragma once
// Functions of system libraries that most runs never call, looked up at their first call:
// a library in the program's import table is loaded and initialised at every start, the
// runs with nothing to show included.
#include <windows.h>

namespace notify::win {

// `name` from `library`, loaded from the system folder (never a same-named file beside the
// program) and kept for the process's life; nullptr when either is missing.
template <class Function>
Function SystemFunction(const wchar_t* library, const char* name) noexcept {
  const HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module == nullptr ? nullptr : reinterpret_cast<Function>(::GetProcAddress(module, name));
}

}  // namespace notify::win
