#pragma once
// Native build only: a module path (backslashes) as the file system's UTF-8 '/' path.
// Names that do not exist as written are matched without regard to case, as on Windows.
#include <string>

namespace notify {

std::string NativePath(const std::wstring& path);

}  // namespace notify
