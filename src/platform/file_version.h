#pragma once
// The file version of an executable as text. It never fails: a missing file and a file
// without version information each give a fixed text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace notify {

inline constexpr std::wstring_view kMissingFileVersion = L"0.0.0.0";
inline constexpr std::wstring_view kUnknownFileVersion = L"1.0.0.1000";

// Folders count as missing.
std::wstring GetFileVersion(const std::wstring& path) noexcept;

// major.minor.build.revision from the fixed part's two words, each part unsigned 16-bit.
std::wstring FormatFileVersion(std::uint32_t versionMs, std::uint32_t versionLs);

// The platform's reader: the fixed part's file version words, or nothing when the file
// has no version information. May throw; GetFileVersion traps it.
struct FileVersionWords {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
};
std::optional<FileVersionWords> ReadFileVersionWords(const std::wstring& path);

// Reads the version resource straight from a PE image's bytes (the native build's
// reader): nothing when the image is malformed or holds no version information.
std::optional<FileVersionWords> ParsePeFileVersion(std::string_view image);

}  // namespace notify
