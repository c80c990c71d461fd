#include <windows.h>

#include <optional>

#include "app/single_instance.h"
#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/paths.h"

namespace notify {
namespace {

std::optional<std::wstring> IdentityMarker(const std::wstring& path) {
  // Attributes only: opening never fails on a running image, whatever else holds it.
  const HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  const win::CloseHandleOwner file(h);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  const auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  // The volume serial number is left out: Wine reports it as 0 in some processes and not
  // in others for the same file. Index, size and write time single out one file anyway.
  const FileIdentity identity{join(info.nFileIndexHigh, info.nFileIndexLow), join(info.nFileSizeHigh, info.nFileSizeLow),
                              join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
  if (identity.index == 0) return std::nullopt;  // a file system that keeps no index
  return InstanceMarkerName(identity);
}

// Full, with 8.3 components expanded: the spellings a path-based name can still unite.
std::wstring NormalisedPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  std::wstring longPath(32768, L'\0');
  length = ::GetLongPathNameW(full.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
  if (length == 0 || length >= longPath.size()) return full;
  longPath.resize(length);
  return longPath;
}

}  // namespace

std::wstring InstanceMarkerFor(const std::wstring& executablePath) {
  std::optional<std::wstring> name = IdentityMarker(executablePath);
  return name ? *name : InstanceMarkerName(NormalisedPath(executablePath));
}

bool ClaimSingleInstance() noexcept {
  return Trap(true, [] {
    const std::wstring name = InstanceMarkerFor(ExecutablePath());
    // Held until the process ends: the kernel releases it even after a crash.
    static win::CloseHandleOwner marker;
    marker.reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
    return !(marker && ::GetLastError() == ERROR_ALREADY_EXISTS);
  });
}

}  // namespace notify
