#include <windows.h>
#include <shlobj.h>

#include <array>
#include <string>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/paths.h"

namespace notify {
namespace {

bool HasAttributes(const std::wstring& path, bool wantFolder) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == wantFolder;
}

}  // namespace

bool FileExists(const std::wstring& path) noexcept {
  return Trap(false, [&] { return HasAttributes(path, false); });
}

bool FolderExists(const std::wstring& path) noexcept {
  return Trap(false, [&] { return HasAttributes(path, true); });
}

// An unresolvable folder yields the empty string rather than a lone "\", which would
// quietly name the root of the current drive.
std::wstring SpecialFolderPath(std::int16_t csidl) noexcept {
  return Trap(std::wstring(), [csidl] {
    PIDLIST_ABSOLUTE list = nullptr;
    if (::SHGetSpecialFolderLocation(nullptr, csidl, &list) != S_OK) return std::wstring();
    const win::IdListOwner owner(list);
    std::array<wchar_t, MAX_PATH + 2> buffer{};
    if (!::SHGetPathFromIDListW(owner.get(), buffer.data())) return std::wstring();
    const std::wstring path(buffer.data());
    return path.empty() ? path : AddTrailingBackslash(path);
  });
}

// The shell creates every missing level; like the shell, a relative path is not created.
bool CreateFolder(const std::wstring& path) noexcept {
  return Trap(false, [&] {
    if (path.empty()) return false;
    if (!FolderExists(path)) static_cast<void>(::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr));
    return true;
  });
}

std::wstring ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) Fail("GetModuleFileNameW failed");
    // A full buffer means the path may have been cut: grow and ask again.
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= 32768) Fail("executable path too long");
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace notify
