#include "platform/file_version.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/paths.h"
#include "test_support.h"

namespace notify {
namespace {

TEST(FileVersion, FormattingTable) {
  struct Case {
    std::uint32_t ms, ls;
    std::wstring text;
  };
  const Case cases[] = {
      {0x00060001u, 0x1DB1446Au, L"6.1.7601.17514"},
      {0x00010002u, 0x00039C40u, L"1.2.3.40000"},  // unsigned: 40000 is no negative 16-bit number
      {0x00000000u, 0x00000000u, L"0.0.0.0"},
      {0xFFFFFFFFu, 0xFFFF0000u, L"65535.65535.65535.0"},
      {0x000A0000u, 0x4A610001u, L"10.0.19041.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFileVersion(c.ms, c.ls), c.text);
}

TEST(FileVersion, MissingFilesAndFoldersGiveZeros) {
  const test::TempDir dir;
  auto folder = dir.path().wstring();
  for (auto& c : folder) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_EQ(GetFileVersion(folder), L"0.0.0.0");
  EXPECT_EQ(GetFileVersion(AddTrailingBackslash(folder) + L"missing.exe"), L"0.0.0.0");
  EXPECT_EQ(GetFileVersion(L""), L"0.0.0.0");
}

TEST(FileVersion, DataFileWithoutVersionGivesTheFixedText) {
  const test::TempDir dir;
  test::WriteBytes(dir / "data.bin", "not an executable");
  auto path = (dir / "data.bin").wstring();
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  EXPECT_EQ(GetFileVersion(path), L"1.0.0.1000");
}

}  // namespace
}  // namespace notify
