#pragma once
// Paths are strings with backslash separators on every build. A folder path that has
// passed AddTrailingBackslash ends in exactly one backslash; file names are appended to
// it directly. The native build maps backslashes to '/' only at the file-system call.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace notify {

// CSIDL numbers of the special folders the module uses.
inline constexpr std::int16_t kCsidlDesktop = 0x00;
inline constexpr std::int16_t kCsidlPersonal = 0x05;
inline constexpr std::int16_t kCsidlAppData = 0x1A;
inline constexpr std::int16_t kCsidlHistory = 0x22;
inline constexpr std::int16_t kCsidlWindows = 0x24;
inline constexpr std::int16_t kCsidlProgramFiles = 0x26;
inline constexpr std::int16_t kCsidlSystemX86 = 0x29;
inline constexpr std::int16_t kCsidlProgramFilesX86 = 0x2A;

std::wstring AddTrailingBackslash(const std::wstring& path);
std::wstring ParentPath(const std::wstring& text, const std::wstring& separator);
bool FileExists(const std::wstring& path) noexcept;
bool FolderExists(const std::wstring& path) noexcept;
std::wstring SpecialFolderPath(std::int16_t csidl) noexcept;
std::wstring TempFolderPath() noexcept;
std::wstring ExpandPathMacros(const std::wstring& text);

// What the expansion did with a text, for tools that explain a catalogue.
struct PathExpansion {
  std::wstring text;                       // as written
  std::wstring path;                       // what the program looks for
  std::vector<std::wstring> unknownMacros;  // "{#P@...}" that is no macro, kept as written
  std::wstring dropped;                    // text after the last {#P@PRT}, which is dropped
  // Neither a drive nor a root: Windows resolves it against the current folder of
  // whatever process started the program, not against the program folder.
  bool relative = false;
};
PathExpansion ExplainPathMacros(const std::wstring& text);
// True when the path has no drive and does not start at a root ("a\b", "C:a").
bool IsRelativePath(std::wstring_view path);
bool CreateFolder(const std::wstring& path) noexcept;

// The program folder (the executable's folder with a trailing backslash), set once at
// start; every file of the module except the cache is found relative to it.
const std::wstring& ProgramFolder();
void SetProgramFolder(const std::wstring& folder);

// The file name of a path without its last extension ("C:\A.b\Notify.exe" gives "Notify").
std::wstring FileBaseName(const std::wstring& path);

// The running executable: its full path, its folder, its file name without extension.
std::wstring ExecutablePath();
std::wstring ExecutableFolder();
std::wstring ExecutableBaseName();

}  // namespace notify
