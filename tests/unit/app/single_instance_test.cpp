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
  const FileIdentity file{0x0001000000000042ULL, 918528, 0x01DB2C3D4E5F6071ULL};
  const auto a = InstanceMarkerName(file);
  for (const wchar_t* path : {L"C:\\Apps\\Host\\Notify.exe", L"F0000000000000001", L""}) {
    EXPECT_NE(InstanceMarkerName(path).substr(13, 1), L"F") << "a path name took the identity's shape";
  }
  EXPECT_NE(a, InstanceMarkerName(FileIdentity{0x0001000000000043ULL, file.size, file.lastWrite})) << "another file";
  EXPECT_NE(a, InstanceMarkerName(FileIdentity{file.index, file.size + 1, file.lastWrite})) << "another build";
  EXPECT_NE(a, InstanceMarkerName(FileIdentity{file.index, file.size, file.lastWrite + 1}));
  EXPECT_NE(InstanceMarkerName(FileIdentity{0x12, 0x3, 0}), InstanceMarkerName(FileIdentity{0x1, 0x23, 0}))
      << "the fields must not run together";
  EXPECT_EQ(a.rfind(L"Local\\Notify-", 0), 0u);
  EXPECT_EQ(a.find(L'\\', 6), std::wstring::npos);
}

}  // namespace
}  // namespace notify
