#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/paths_posix.h"
#include "platform/text.h"

// Native stand-in for the shell's folders, used only to test the core on Linux.
// Paths keep backslashes inside the module and become '/' at the file-system call.
// CSIDL mapping:
//   DESKTOP       $XDG_DESKTOP_DIR   or ~/Desktop
//   PERSONAL      $XDG_DOCUMENTS_DIR or ~/Documents
//   APPDATA       $XDG_CONFIG_HOME   or ~/.config
//   HISTORY       ($XDG_CACHE_HOME or ~/.cache)/History, so that "Temp" is its sibling
//   WINDOWS       /etc            PROGRAM_FILES  /opt            SYSTEMX86  /usr/lib
//   anything else the empty string (unresolved)
namespace notify {
namespace {

std::wstring ModulePath(const std::string& native) { return ReplaceAll(FromUtf8(native), L"/", L"\\"); }

bool HasAttributes(const std::wstring& path, bool wantFolder) {
  struct stat info {};
  if (path.empty() || ::stat(NativePath(path).c_str(), &info) != 0) return false;
  return (S_ISDIR(info.st_mode) != 0) == wantFolder;
}

bool Exists(const std::string& native) {
  struct stat info {};
  return ::lstat(native.c_str(), &info) == 0;
}

// The entry of the folder whose name equals `name` without regard to case, as Windows
// compares file names; the first in byte order when several do. Empty when none does.
std::string EntryWithoutCase(const std::string& folder, std::string_view name) {
  struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return {};
  const std::wstring wanted = FromUtf8(name);
  std::string best;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view candidate(entry->d_name);
    if (!EqualsNoCase(FromUtf8(candidate), wanted)) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  return best;
}

// Each missing component is looked up without regard to case; from the first that
// matches nothing the rest stays as written.
std::string ResolveWithoutCase(const std::string& native) {
  const bool absolute = native.front() == '/';
  std::string folder = absolute ? "/" : "./";  // the resolved folder so far, ending in '/'
  std::string resolved = absolute ? "/" : "";
  for (std::size_t start = absolute ? 1 : 0; start <= native.size();) {
    const std::size_t end = std::min(native.find('/', start), native.size());
    std::string part = native.substr(start, end - start);
    if (!part.empty() && part != "." && part != ".." && !Exists(folder + part)) {
      part = EntryWithoutCase(folder, part);
      if (part.empty()) return resolved + native.substr(start);
    }
    resolved += part;
    folder += part + "/";
    if (end == native.size()) break;
    resolved += '/';
    start = end + 1;
  }
  return resolved;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string HomeFolder() {
  auto home = Environment("HOME");
  if (!home.empty()) return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? std::string(entry->pw_dir) : std::string("/");
}

std::string EnvironmentOr(const char* name, const std::string& homeRelative) {
  auto value = Environment(name);
  return value.empty() ? HomeFolder() + "/" + homeRelative : value;
}

std::string NativeSpecialFolder(std::int16_t csidl) {
  switch (csidl) {
    case kCsidlDesktop: return EnvironmentOr("XDG_DESKTOP_DIR", "Desktop");
    case kCsidlPersonal: return EnvironmentOr("XDG_DOCUMENTS_DIR", "Documents");
    case kCsidlAppData: return EnvironmentOr("XDG_CONFIG_HOME", ".config");
    case kCsidlHistory: return EnvironmentOr("XDG_CACHE_HOME", ".cache") + "/History";
    case kCsidlWindows: return "/etc";
    case kCsidlProgramFiles:
    case kCsidlProgramFilesX86: return "/opt";
    case kCsidlSystemX86: return "/usr/lib";
    default: return {};
  }
}

}  // namespace

bool FileExists(const std::wstring& path) noexcept {
  return Trap(false, [&] { return HasAttributes(path, false); });
}

bool FolderExists(const std::wstring& path) noexcept {
  return Trap(false, [&] { return HasAttributes(path, true); });
}

std::string NativePath(const std::wstring& path) {
  auto bytes = ToUtf8(path);
  for (auto& c : bytes) {
    if (c == '\\') c = '/';
  }
  if (bytes.empty() || Exists(bytes)) return bytes;
  return ResolveWithoutCase(bytes);
}

std::wstring SpecialFolderPath(std::int16_t csidl) noexcept {
  return Trap(std::wstring(), [csidl] {
    const auto native = NativeSpecialFolder(csidl);
    return native.empty() ? std::wstring() : AddTrailingBackslash(ModulePath(native));
  });
}

// Like the shell, only a full path is created; the result does not say whether it was.
bool CreateFolder(const std::wstring& path) noexcept {
  return Trap(false, [&] {
    if (path.empty()) return false;
    const auto native = NativePath(path);
    if (!FolderExists(path) && native.front() == '/') {
      std::error_code ignored;
      std::filesystem::create_directories(native, ignored);
    }
    return true;
  });
}

std::wstring ExecutablePath() {
  std::error_code error;
  const auto target = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) Fail("cannot read /proc/self/exe");
  return ModulePath(target.string());
}

}  // namespace notify
