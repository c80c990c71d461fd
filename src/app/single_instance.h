#pragma once
// "Another instance" means another process started from the same executable file. The
// marker is a named kernel object whose name is derived from the file's identity as the
// file system reports it (file index, size and last write time), so the same file started
// through an 8.3 name, a subst drive, a junction or a UNC path still runs once, while two
// host programs shipping their own copies never collide. Only when the identity cannot be
// read is the name derived from the normalised full path, compared without case.
#include <cstdint>
#include <string>

namespace notify {

std::wstring InstanceMarkerName(const std::wstring& executablePath);
struct FileIdentity {
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;  // FILETIME ticks
};
std::wstring InstanceMarkerName(const FileIdentity& file);

// The marker for the executable at this path: from its identity when the file system
// reports one, else from its normalised full path (Windows build only).
std::wstring InstanceMarkerFor(const std::wstring& executablePath);

// True when this process is the only running instance of its executable. The marker is
// held for the life of the process. Must be called before anything else is touched.
bool ClaimSingleInstance() noexcept;

}  // namespace notify
