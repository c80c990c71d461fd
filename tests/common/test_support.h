#pragma once
// Shared by all test layers: fixture paths and scratch folders that work natively and
// under Wine (where the source tree is reached through drive Z:).
#include <filesystem>
#include <string>

namespace notify::test {

// A file under tests/fixtures, as a path the code under test can open.
std::filesystem::path FixturePath(const std::string& relative);

// The same path as the module's own string type (backslashes on Windows).
std::wstring FixtureText(const std::string& relative);

// A fresh, empty folder removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The folder with a trailing separator, as the module's own string type.
  std::wstring text() const;
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace notify::test
