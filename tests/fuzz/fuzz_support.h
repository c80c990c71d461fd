#pragma once
// Shared by the fuzz targets: one scratch folder per process (the targets read files the
// way the program does) and whole-file writes into it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace notify::fuzz {

// A module path (backslashes, trailing separator) of a folder that lives as long as the
// process; removed at exit so that a long campaign leaves nothing behind.
const std::wstring& ScratchFolder();
// The same folder as the file system names it.
const std::string& ScratchFolderNative();

// Writes the bytes to the module path, creating missing folders; aborts when it cannot,
// since a target that silently reads nothing would fuzz nothing.
void WriteFile(const std::wstring& path, std::string_view bytes);
// The same, false when the file cannot be written.
bool TryWriteFile(const std::wstring& path, std::string_view bytes);

// Removes everything below the scratch folder that a previous input created.
void ClearScratch();

inline std::string_view AsBytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A failed property: print what differed and abort, which libFuzzer reports as a crash.
[[noreturn]] inline void PropertyFailed(const char* what, const std::wstring& detail = {}) {
  std::fprintf(stderr, "property failed: %s\n%s\n", what, ToUtf8(detail).c_str());
  std::abort();
}

}  // namespace notify::fuzz
