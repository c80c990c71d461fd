#include "fuzz_support.h"

#include <filesystem>
#include <fstream>

#include "platform/paths_posix.h"

namespace notify::fuzz {

namespace {

struct Scratch {
  Scratch() {
    // A memory file system where there is one: the saves' fsync would otherwise make the
    // disk, not the code, the measure of a run.
    std::error_code error;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string pattern = (base / "notify-fuzz.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) PropertyFailed("cannot create the scratch folder");
    native = pattern;
    module = ReplaceAll(FromUtf8(native), L"/", L"\\") + L"\\";
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(native, ignored);
  }
  std::string native;
  std::wstring module;
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

}  // namespace

const std::wstring& ScratchFolder() { return TheScratch().module; }
const std::string& ScratchFolderNative() { return TheScratch().native; }

bool TryWriteFile(const std::wstring& path, std::string_view bytes) {
  const std::filesystem::path native = NativePath(path);
  std::error_code ignored;
  std::filesystem::create_directories(native.parent_path(), ignored);
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

void WriteFile(const std::wstring& path, std::string_view bytes) {
  if (!TryWriteFile(path, bytes)) PropertyFailed("cannot write a scratch file", path);
}

void ClearScratch() {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(ScratchFolderNative(), ignored)) {
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

}  // namespace notify::fuzz
