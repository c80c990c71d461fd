#pragma once
// Native build only: a module path (backslashes) as the file system's UTF-8 '/' path.
#include <string>

namespace notify {

std::string NativePath(const std::wstring& path);

}  // namespace notify
