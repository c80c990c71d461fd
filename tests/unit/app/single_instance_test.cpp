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

}  // namespace
}  // namespace notify
