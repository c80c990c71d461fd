#include "app/single_instance.h"

#include <gtest/gtest.h>

namespace notify {
namespace {

TEST(InstanceMarker, SameFileInAnyCaseSharesTheMarker) {
  const auto a = InstanceMarkerName(L"C:\\Apps\\Host\\Notify.exe");
  EXPECT_EQ(a, InstanceMarkerName(L"c:\\apps\\HOST\\notify.EXE"));
  EXPECT_EQ(a.rfind(L"Local\\Notify-", 0), 0u);
  EXPECT_EQ(a.find(L'\\', 6), std::wstring::npos) << "no separators after the namespace";
}

TEST(InstanceMarker, CopiesInOtherFoldersDoNotBlockEachOther) {
  EXPECT_NE(InstanceMarkerName(L"C:\\Apps\\HostA\\Notify.exe"), InstanceMarkerName(L"C:\\Apps\\HostB\\Notify.exe"));
  EXPECT_NE(InstanceMarkerName(L"C:\\Apps\\Notify.exe"), InstanceMarkerName(L"C:\\Apps\\Notify2.exe"));
  EXPECT_NE(InstanceMarkerName(L"C:\\\u786E\\Notify.exe"), InstanceMarkerName(L"C:\\\u5B9A\\Notify.exe"));
}

TEST(InstanceMarker, FileIdentityNamesOneFileAndNeverMeetsAPathName) {
  const auto a = InstanceMarkerName(0x1234ABCDu, 0x0001000000000042ULL);
  EXPECT_EQ(a, InstanceMarkerName(0x1234ABCDu, 0x0001000000000042ULL));
  EXPECT_NE(a, InstanceMarkerName(0x1234ABCDu, 0x0001000000000043ULL)) << "another file on the volume";
  EXPECT_NE(a, InstanceMarkerName(0x1234ABCEu, 0x0001000000000042ULL)) << "the same index on another volume";
  EXPECT_NE(InstanceMarkerName(0, 0x42), InstanceMarkerName(0x42, 0)) << "the two fields must not run together";
  EXPECT_EQ(a.rfind(L"Local\\Notify-", 0), 0u);
  EXPECT_EQ(a.find(L'\\', 6), std::wstring::npos);
}

}  // namespace
}  // namespace notify
