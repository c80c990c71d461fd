#include <gtest/gtest.h>

#include "platform/file_version.h"
#include "platform/paths.h"
#include "win_platform_support.h"

namespace notify {
namespace {

TEST(WinFileVersion, ResultsTable) {
  const test::TempDir dir;
  test::WriteBytes(dir / "data.txt", "plain data, no version resource");
  const auto root = test::ModuleFolder(dir);
  struct Case {
    std::wstring path;
    std::wstring version;
  };
  const Case cases[] = {
      {test::SleeperPath(), L"1.2.3.40000"},  // file version, not the product version 9.8.7.6
      {root + L"data.txt", L"1.0.0.1000"},
      {root, L"0.0.0.0"},
      {root + L"missing.exe", L"0.0.0.0"},
      {L"", L"0.0.0.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetFileVersion(c.path), c.version) << c.path;
}

TEST(WinFileVersion, ExplorerReportsAFourPartVersion) {
  const auto version = GetFileVersion(SpecialFolderPath(kCsidlWindows) + L"explorer.exe");
  EXPECT_EQ(std::count(version.begin(), version.end(), L'.'), 3) << version;
  EXPECT_NE(version, L"1.0.0.1000");
}

}  // namespace
}  // namespace notify
