#include <gtest/gtest.h>

#include <string>

#include "platform/paths.h"
#include "platform/text.h"
#include "win_platform_support.h"

namespace notify {
namespace {

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

TEST(WinPaths, SpecialFoldersResolveWithOneTrailingBackslash) {
  for (const auto csidl : {kCsidlDesktop, kCsidlPersonal, kCsidlAppData, kCsidlHistory, kCsidlWindows,
                           kCsidlProgramFiles, kCsidlSystemX86, kCsidlProgramFilesX86}) {
    const auto folder = SpecialFolderPath(csidl);
    ASSERT_GE(folder.size(), 4u) << csidl;
    EXPECT_EQ(folder.substr(1, 2), L":\\") << folder;
    EXPECT_EQ(folder.back(), L'\\') << folder;
    EXPECT_NE(folder[folder.size() - 2], L'\\') << folder;
  }
  EXPECT_TRUE(EndsWithNoCase(SpecialFolderPath(kCsidlAppData), L"\\AppData\\Roaming\\"));
  EXPECT_TRUE(FolderExists(SpecialFolderPath(kCsidlPersonal)));
  EXPECT_TRUE(FileExists(SpecialFolderPath(kCsidlWindows) + L"explorer.exe"));
  EXPECT_TRUE(EndsWithNoCase(TempFolderPath(), L"\\Temp\\"));
}

// Catalogues mean the 32-bit Program Files; the 64-bit prefix has both folders.
TEST(WinPaths, ProgramFilesMacroNamesThe32BitFolder) {
  const auto x86 = SpecialFolderPath(kCsidlProgramFilesX86);
  EXPECT_TRUE(EndsWithNoCase(x86, L"\\Program Files (x86)\\")) << x86;
  EXPECT_NE(x86, SpecialFolderPath(kCsidlProgramFiles));
  EXPECT_TRUE(FolderExists(x86));
  EXPECT_EQ(ExpandPathMacros(L"{#p@pgm}App\\a.txt"), x86 + L"App\\a.txt");
}

// The shell reads only the low byte of a CSIDL; 0x7E names no folder.
TEST(WinPaths, UnknownFolderGivesEmptyText) { EXPECT_EQ(SpecialFolderPath(0x7E), L""); }

TEST(WinPaths, ExistenceOfRealFileFolderAndMissingPath) {
  const test::TempDir dir;
  test::WriteBytes(dir / "real.txt", "x");
  const auto root = test::ModuleFolder(dir);
  struct Case {
    std::wstring path;
    bool file, folder;
  };
  const Case cases[] = {
      {root + L"real.txt", true, false},
      {root + L"REAL.TXT", true, false},
      {root, false, true},
      {root + L"missing", false, false},
      {L"Q:\\no\\such\\drive.txt", false, false},
      {ExecutablePath(), true, false},
      {SpecialFolderPath(kCsidlWindows), false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(FolderExists(c.path), c.folder) << c.path;
  }
}

TEST(WinPaths, CreateFolderOfExistingAndOfThreeLevels) {
  const test::TempDir dir;
  const auto root = test::ModuleFolder(dir);
  test::WriteBytes(dir / "keep.txt", "k");
  EXPECT_TRUE(CreateFolder(root));
  EXPECT_EQ(test::ReadBytes(dir / "keep.txt"), "k");

  // Only the first level exists; the names are outside any ANSI code page.
  const auto deep = root + L"\u6570\u636E\\\u4E00\\\u4E8C";
  EXPECT_TRUE(CreateFolder(deep));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / L"\u6570\u636E" / L"\u4E00" / L"\u4E8C"));
}

TEST(WinPaths, ExecutableNameAndProgramFolder) {
  EXPECT_EQ(ExecutableBaseName(), L"win_tests");
  EXPECT_TRUE(EndsWithNoCase(ExecutablePath(), L"\\win_tests.exe"));
  EXPECT_EQ(ExecutableFolder() + L"win_tests.exe", ExecutablePath());
  EXPECT_EQ(ProgramFolder(), ExecutableFolder());
}

}  // namespace
}  // namespace notify
