#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace notify {
namespace {

// The module's own spelling of a scratch path: backslashes on both builds.
std::wstring ModuleText(const std::filesystem::path& path) {
  auto text = path.wstring();
  for (auto& c : text) {
    if (c == L'/') c = L'\\';
  }
  return text;
}

// Sets the program folder for one test and puts the real one back afterwards.
class ProgramFolderScope {
 public:
  explicit ProgramFolderScope(const std::wstring& folder) : saved_(ProgramFolder()) { SetProgramFolder(folder); }
  ~ProgramFolderScope() { SetProgramFolder(saved_); }

 private:
  std::wstring saved_;
};

struct TextCase {
  std::wstring input;
  std::wstring expected;
};

TEST(Paths, AddTrailingBackslashTable) {
  const TextCase cases[] = {
      {L"C:\\Temp", L"C:\\Temp\\"},
      {L"C:\\Temp\\", L"C:\\Temp\\"},
      {L"", L"\\"},
      {L"C:\\", L"C:\\"},
      {L"C:/Temp/", L"C:/Temp/\\"},  // a forward slash is no separator
      {L"\\\\server\\share", L"\\\\server\\share\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(AddTrailingBackslash(c.input), c.expected) << c.input;
}

TEST(Paths, ParentPathTable) {
  struct Case {
    std::wstring text, separator, expected;
  };
  const Case cases[] = {
      {L"C:\\A\\B\\file.xml", L"\\", L"C:\\A\\B\\"},
      {L"file.xml", L"\\", L""},
      {L"C:\\A\\B\\", L"\\", L"C:\\A\\B\\"},
      {L"a::b::c", L"::", L"a::b::"},
      {L"aXbxc", L"x", L"aXbx"},  // exact match: upper-case X is not the separator
      {L"aXbXc", L"x", L""},
      {L"", L"\\", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ParentPath(c.text, c.separator), c.expected) << c.text;
}

TEST(Paths, FileBaseNameTable) {
  const TextCase cases[] = {
      {L"C:\\Apps\\Notify\\Notify.exe", L"Notify"},
      {L"C:\\Apps\\Notify.v2.exe", L"Notify.v2"},
      {L"C:\\Apps.d\\Notify", L"Notify"},  // a dot in the folder is no extension
      {L"Notify.exe", L"Notify"},
      {L"C:\\Apps\\", L""},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(FileBaseName(c.input), c.expected) << c.input;
}

TEST(PathMacros, ParentMacroTable) {
  const ProgramFolderScope scope(L"C:\\App\\Bin\\");
  const TextCase cases[] = {
      {L"C:\\A\\B\\{#P@PRT}", L"C:\\A\\"},
      {L"C:\\A\\B\\{#P@PRT}{#P@PRT}", L"C:\\"},
      {L"{#P@CUR}{#P@PRT}", L"C:\\App\\"},
      {L"C:\\A\\{#P@PRT}B\\c.txt", L"C:\\A\\"},
      {L"{#P@PRT}", L""},
      {L"C:\\A\\B\\{#p@prt}", L"C:\\A\\"},
      {L"C:\\{#P@PRT}{#P@PRT}{#P@PRT}", L""},  // more levels than the path has
      // Text after the macro counts as pieces and is dropped with them.
      {L"{#P@CUR}{#P@PRT}{#P@PRT}Data\\x.xml", L"C:\\App\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPathMacros(c.input), c.expected) << c.input;
}

TEST(PathMacros, ProgramFolderWithoutRegardToCase) {
  const ProgramFolderScope scope(L"C:\\App\\Bin\\");
  const TextCase cases[] = {
      {L"{#p@cur}Setup.exe", L"C:\\App\\Bin\\Setup.exe"},
      {L"{#P@Cur}a;{#P@CUR}b", L"C:\\App\\Bin\\a;C:\\App\\Bin\\b"},
      {L"C:\\Data\\file.txt", L"C:\\Data\\file.txt"},
      {L"{#P@XYZ}file.txt", L"{#P@XYZ}file.txt"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPathMacros(c.input), c.expected) << c.input;
}

// What a tool is told about an expansion: the path looked for and each trap on the way.
TEST(PathMacros, ExplanationTable) {
  const ProgramFolderScope scope(L"C:\\App\\Bin\\");
  struct Case {
    std::wstring text, path;
    std::vector<std::wstring> unknown;
    std::wstring dropped;
    bool relative;
  };
  const Case cases[] = {
      {L"{#P@CUR}licence.key", L"C:\\App\\Bin\\licence.key", {}, L"", false},
      {L"{#P@CURR}licence.key", L"{#P@CURR}licence.key", {L"{#P@CURR}"}, L"", true},
      {L"{#p@cur}{#P@Doc2}x", L"C:\\App\\Bin\\{#P@Doc2}x", {L"{#P@Doc2}"}, L"", false},
      {L"licence.key", L"licence.key", {}, L"", true},
      {L"C:licence.key", L"C:licence.key", {}, L"", true},
      {L"\\\\server\\share\\x", L"\\\\server\\share\\x", {}, L"", false},
      {L"{#P@CUR}{#P@PRT}licence.key", L"C:\\App\\", {}, L"licence.key", false},
      {L"{#P@CUR}{#p@prt}", L"C:\\App\\", {}, L"", false},
      {L"{#P@CUR}{#P@PRT}{#P@PRT}Data\\x.xml", L"C:\\App\\", {}, L"Data\\x.xml", false},
      {L"", L"", {}, L"", false},
  };
  for (const auto& c : cases) {
    const PathExpansion expansion = ExplainPathMacros(c.text);
    EXPECT_EQ(expansion.path, c.path) << c.text;
    EXPECT_EQ(expansion.path, ExpandPathMacros(c.text)) << c.text;
    EXPECT_EQ(expansion.unknownMacros, c.unknown) << c.text;
    EXPECT_EQ(expansion.dropped, c.dropped) << c.text;
    EXPECT_EQ(expansion.relative, c.relative) << c.text;
  }
}

TEST(PathMacros, ProgramFolderGainsItsTrailingBackslash) {
  const ProgramFolderScope scope(L"C:\\App");
  EXPECT_EQ(ExpandPathMacros(L"{#P@CUR}x.txt"), L"C:\\App\\x.txt");
}

TEST(PathMacros, EachFolderMacroNamesItsFolder) {
  struct Case {
    std::wstring macro;
    std::wstring folder;
  };
  const Case cases[] = {
      {L"{#P@TMP}", TempFolderPath()},
      {L"{#p@sys}", SpecialFolderPath(kCsidlSystemX86)},
      {L"{#P@PGM}", SpecialFolderPath(kCsidlProgramFilesX86)},
      {L"{#P@DOC}", SpecialFolderPath(kCsidlPersonal)},
      {L"{#P@desk}", SpecialFolderPath(kCsidlDesktop)},
  };
  for (const auto& c : cases) {
    ASSERT_FALSE(c.folder.empty()) << c.macro;
    EXPECT_EQ(c.folder.back(), L'\\') << c.macro;
    EXPECT_EQ(ExpandPathMacros(c.macro + L"f.txt"), c.folder + L"f.txt") << c.macro;
  }
}

TEST(PathMacros, TempFolderIsTheSiblingOfHistory) {
  const auto history = SpecialFolderPath(kCsidlHistory);
  const auto temp = TempFolderPath();
  ASSERT_GE(history.size(), 9u);
  EXPECT_EQ(history.substr(history.size() - 9), L"\\History\\");
  EXPECT_EQ(temp, history.substr(0, history.size() - 8) + L"Temp\\");
}

TEST(Paths, ExecutableNameAndFolder) {
  const auto path = ExecutablePath();
  const auto folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_EQ(ExecutableBaseName(), L"unit_tests");
  EXPECT_EQ(path.substr(0, folder.size()), folder);
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(FolderExists(folder));
}

TEST(Paths, ExistenceOfFileFolderAndMissingPath) {
  const test::TempDir dir;
  test::WriteBytes(dir / "data.txt", "x");
  std::filesystem::create_directories(dir / "Image" / "Ledger");
  test::WriteBytes(dir / "Image" / "Ledger" / "Renew.PNG", "x");
  const auto root = AddTrailingBackslash(ModuleText(dir.path()));
  struct Case {
    std::wstring path;
    bool file, folder;
  };
  const Case cases[] = {
      {root + L"data.txt", true, false},
      {root, false, true},
      {ModuleText(dir.path()), false, true},
      {root + L"missing.txt", false, false},
      {root + L"data.txt\\inside", false, false},
      // File names compare without regard to case, as on Windows, on both builds.
      {root + L"DATA.TXT", true, false},
      {root + L"image\\ledger\\renew.png", true, false},
      {root + L"IMAGE\\LEDGER\\", false, true},
      {root + L"image\\ledger\\renew.pn", false, false},
      {root + L"image\\ledgers\\renew.png", false, false},
      {L"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(FolderExists(c.path), c.folder) << c.path;
  }
}

TEST(Paths, CreateFolderMakesEveryMissingLevel) {
  const test::TempDir dir;
  const auto root = AddTrailingBackslash(ModuleText(dir.path()));
  EXPECT_TRUE(CreateFolder(root));
  EXPECT_TRUE(FolderExists(root));

  const auto deep = root + L"one\\two\\three";
  ASSERT_FALSE(FolderExists(root + L"one"));
  EXPECT_TRUE(CreateFolder(deep));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(CreateFolder(deep + L"\\"));
}

TEST(Paths, CreateFolderRefusesEmptyAndIgnoresRelative) {
  EXPECT_FALSE(CreateFolder(L""));
  const std::wstring relative = L"notify-relative-folder-never-made";
  EXPECT_TRUE(CreateFolder(relative));
  EXPECT_FALSE(FolderExists(relative));
}

TEST(Paths, CreateFolderReportsTrueEvenWhenCreationFails) {
  const test::TempDir dir;
  test::WriteBytes(dir / "file", "x");
  const auto underFile = AddTrailingBackslash(ModuleText(dir.path())) + L"file\\sub";
  EXPECT_TRUE(CreateFolder(underFile));
  EXPECT_FALSE(FolderExists(underFile));
}

#ifndef _WIN32
// Sets or clears an environment variable for one test, restoring it afterwards.
class EnvScope {
 public:
  EnvScope(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value == nullptr) {
      ::unsetenv(name);
    } else {
      ::setenv(name, value, 1);
    }
  }
  ~EnvScope() {
    if (saved_) {
      ::setenv(name_, saved_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(NativeSpecialFolders, MappingTable) {
  const EnvScope home("HOME", "/home/tester");
  const EnvScope config("XDG_CONFIG_HOME", nullptr);
  const EnvScope cache("XDG_CACHE_HOME", nullptr);
  const EnvScope documents("XDG_DOCUMENTS_DIR", nullptr);
  const EnvScope desktop("XDG_DESKTOP_DIR", nullptr);
  struct Case {
    std::int16_t csidl;
    std::wstring expected;
  };
  const Case cases[] = {
      {kCsidlDesktop, L"\\home\\tester\\Desktop\\"},
      {kCsidlPersonal, L"\\home\\tester\\Documents\\"},
      {kCsidlAppData, L"\\home\\tester\\.config\\"},
      {kCsidlHistory, L"\\home\\tester\\.cache\\History\\"},
      {kCsidlWindows, L"\\etc\\"},
      {kCsidlProgramFiles, L"\\opt\\"},
      {kCsidlProgramFilesX86, L"\\opt\\"},
      {kCsidlSystemX86, L"\\usr\\lib\\"},
      {0x7F, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(SpecialFolderPath(c.csidl), c.expected) << c.csidl;
  EXPECT_EQ(TempFolderPath(), L"\\home\\tester\\.cache\\Temp\\");
}

TEST(NativeSpecialFolders, XdgVariablesWin) {
  const EnvScope home("HOME", "/home/tester");
  const EnvScope config("XDG_CONFIG_HOME", "/cfg/");
  const EnvScope cache("XDG_CACHE_HOME", "/var/cache/me");
  const EnvScope documents("XDG_DOCUMENTS_DIR", "/data/docs");
  EXPECT_EQ(SpecialFolderPath(kCsidlAppData), L"\\cfg\\");
  EXPECT_EQ(SpecialFolderPath(kCsidlPersonal), L"\\data\\docs\\");
  EXPECT_EQ(TempFolderPath(), L"\\var\\cache\\me\\Temp\\");
}
#endif

}  // namespace
}  // namespace notify
