#pragma once
// "Another instance" means another process started from the same executable file. The
// marker is a named kernel object whose name is derived from the executable's full path
// compared without case, so two host programs shipping their own copies never collide.
#include <string>

namespace notify {

std::wstring InstanceMarkerName(const std::wstring& executablePath);

// True when this process is the only running instance of its executable. The marker is
// held for the life of the process. Must be called before anything else is touched.
bool ClaimSingleInstance() noexcept;

}  // namespace notify
