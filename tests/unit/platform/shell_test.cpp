#include "platform/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "test_support.h"

namespace notify {
namespace {

struct Launch {
  std::wstring operation, target, parameters;
  std::int32_t show = -1;
  std::int32_t timeoutMs = -1;
};

class RecordingLauncher final : public ShellLauncher {
 public:
  void Open(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand) override {
    launches.push_back({L"open", target, parameters, showCommand, -1});
  }
  void RunAndWait(const std::wstring& target, const std::wstring& parameters, std::int32_t showCommand,
                  std::int32_t timeoutMs) override {
    launches.push_back({L"wait", target, parameters, showCommand, timeoutMs});
  }
  std::vector<Launch> launches;
};

class ShellGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    SetShellLauncher(&recorder_);
    // An absolute local path needs ":\"; natively a folder named "C:" gives one.
#ifdef _WIN32
    const auto base = dir_.path();
#else
    const auto base = dir_.path() / "C:";
#endif
    test::WriteBytes(base / "doc.txt", "x");
    std::filesystem::create_directories(base / "folder");
    root_ = AddTrailingBackslash(ModuleText(base));
    ASSERT_NE(root_.find(L":\\"), std::wstring::npos);
  }
  void TearDown() override { SetShellLauncher(nullptr); }

  static std::wstring ModuleText(const std::filesystem::path& path) {
    auto text = path.wstring();
    for (auto& c : text) {
      if (c == L'/') c = L'\\';
    }
    return text;
  }

  test::TempDir dir_;
  std::wstring root_;
  RecordingLauncher recorder_;
};

TEST_F(ShellGuard, TargetsTable) {
  struct Case {
    std::wstring target;
    bool launched;
  };
  const Case cases[] = {
      {L"https://example.com/page", true},
      {L"regsvr32.exe", true},
      {L"\\\\server\\share\\a.txt", true},
      {L"C:\\definitely\\missing.txt", false},
      {L"c:\\MISSING.TXT", false},
      {root_ + L"doc.txt", true},
      {root_ + L"folder", false},
      {root_ + L"folder\\", false},
      {root_ + L"missing.txt", false},
      {L"file:\\nowhere", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShellMayLaunch(c.target), c.launched) << c.target;
    recorder_.launches.clear();
    ShellOpen(c.target, L"p", kShowNormal);
    ShellRunAndWait(c.target, L"q", kShowHidden, 1234);
    if (!c.launched) {
      EXPECT_TRUE(recorder_.launches.empty()) << c.target;
      continue;
    }
    ASSERT_EQ(recorder_.launches.size(), 2u) << c.target;
    EXPECT_EQ(recorder_.launches[0].operation, L"open");
    EXPECT_EQ(recorder_.launches[0].target, c.target);
    EXPECT_EQ(recorder_.launches[0].parameters, L"p");
    EXPECT_EQ(recorder_.launches[0].show, kShowNormal);
    EXPECT_EQ(recorder_.launches[1].operation, L"wait");
    EXPECT_EQ(recorder_.launches[1].target, c.target);
    EXPECT_EQ(recorder_.launches[1].parameters, L"q");
    EXPECT_EQ(recorder_.launches[1].show, kShowHidden);
    EXPECT_EQ(recorder_.launches[1].timeoutMs, 1234);
  }
}

TEST_F(ShellGuard, NegativeTimeoutBecomesNoWait) {
  ShellRunAndWait(L"regsvr32.exe", L"msxml3.dll /s", kShowHidden, -1);
  ASSERT_EQ(recorder_.launches.size(), 1u);
  EXPECT_EQ(recorder_.launches[0].timeoutMs, 0);
}

TEST_F(ShellGuard, LauncherThatThrowsStaysInside) {
  class Throwing final : public ShellLauncher {
   public:
    void Open(const std::wstring&, const std::wstring&, std::int32_t) override { throw std::runtime_error("x"); }
    void RunAndWait(const std::wstring&, const std::wstring&, std::int32_t, std::int32_t) override {
      throw std::runtime_error("y");
    }
  } throwing;
  SetShellLauncher(&throwing);
  EXPECT_NO_THROW(ShellOpen(L"https://example.com/", L"", kShowNormal));
  EXPECT_NO_THROW(ShellRunAndWait(L"regsvr32.exe", L"", kShowHidden, 10));
}

}  // namespace
}  // namespace notify
