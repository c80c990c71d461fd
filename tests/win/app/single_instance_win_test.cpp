#include <windows.h>

#include <gtest/gtest.h>

#include "app/single_instance.h"
#include "platform/paths.h"
#include "test_support.h"

namespace notify {
namespace {

using test::TempDir;

// The real file is known by its identity, however the path to it is spelled.
TEST(InstanceMarkerWin, OneFileUnderTwoSpellingsSharesItsIdentityMarker) {
  const std::wstring exe = ExecutablePath();
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  const std::wstring leaf = exe.substr(exe.find_last_of(L'\\') + 1);
  const std::wstring roundabout = folder + L"\\.\\..\\" + folder.substr(folder.find_last_of(L'\\') + 1) + L"\\" + leaf;
  const auto marker = InstanceMarkerFor(exe);
  EXPECT_EQ(marker.rfind(L"Local\\Notify-F", 0), 0u) << "the identity was not read";
  EXPECT_EQ(InstanceMarkerFor(roundabout), marker);
}

// Without an identity (here: no file to open) the normalised path stands for the file,
// so other spellings of the same path still meet, and another file does not.
TEST(InstanceMarkerWin, WithoutAnIdentityTheNormalisedPathNamesTheMarker) {
  TempDir dir;
  const std::wstring base = dir.text();  // ends in a separator
  const std::wstring plain = base + L"host\\Notify.exe";
  const auto marker = InstanceMarkerFor(plain);
  EXPECT_EQ(marker, InstanceMarkerName(plain));
  EXPECT_EQ(marker.rfind(L"Local\\Notify-F", 0), std::wstring::npos);
  EXPECT_EQ(InstanceMarkerFor(base + L"other\\..\\host\\.\\Notify.exe"), marker);
  EXPECT_NE(InstanceMarkerFor(base + L"host2\\Notify.exe"), marker);
}

}  // namespace
}  // namespace notify
