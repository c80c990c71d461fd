#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/file_version.h"
#include "platform/handles_win.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace notify {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct StoredValue {
  DWORD type = 0;
  Bytes bytes;
};

// Read through the ANSI entry point, so text comes back as the code page's bytes.
std::optional<StoredValue> ReadAnsi(const std::wstring& keyPath, const std::string& name) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return std::nullopt;
  const win::RegCloseKeyOwner key(raw);
  StoredValue value;
  DWORD size = 0;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  return value;
}

std::optional<DWORD> ReadDword(const std::wstring& keyPath, const std::wstring& name) {
  DWORD data = 0;
  DWORD size = sizeof(data);
  DWORD type = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, keyPath.c_str(), name.c_str(), RRF_RT_ANY, &type, &data, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (type != REG_DWORD || size != 4) return std::nullopt;
  return data;
}

bool KeyExists(const std::wstring& keyPath) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
  const win::RegCloseKeyOwner key(raw);
  return true;
}

DWORD ValueCount(const std::wstring& keyPath) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return 0;
  const win::RegCloseKeyOwner key(raw);
  DWORD count = 0;
  if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return count;
}

// A scratch key under HKCU that the fixture creates and deletes with everything below it.
class WinRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = L"Software\\NotifyPlatformTests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(::GetTickCount64());
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const win::RegCloseKeyOwner owner(raw);
  }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
  }

  bool Write(const std::optional<std::wstring>& name, const RegValue& value, std::uint32_t type) {
    return RegWriteValue(RegRoot::CurrentUser, key_, name, value, type);
  }

  std::wstring key_;
};

TEST_F(WinRegistry, DwordBoundsAreWrittenWithTheirExactBytes) {
  struct Case {
    std::string name;
    std::int64_t number;
    Bytes bytes;
  };
  const Case cases[] = {
      {"zero", 0, {0, 0, 0, 0}},
      {"one", 1, {1, 0, 0, 0}},
      {"mixed", 0x01020304, {4, 3, 2, 1}},
      {"max", 4294967295LL, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    const auto& name = c.name;
    ASSERT_TRUE(Write(std::wstring(name.begin(), name.end()), RegValue(c.number), kRegDword)) << c.number;
    const auto stored = ReadAnsi(key_, name);
    ASSERT_TRUE(stored) << c.number;
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored->bytes, c.bytes) << c.number;
  }
}

TEST_F(WinRegistry, DwordOutOfRangeIsRefusedAndWritesNothing) {
  for (const std::int64_t number : {4294967296LL, -1LL}) {
    EXPECT_FALSE(Write(L"bad", RegValue(number), kRegDword)) << number;
    EXPECT_FALSE(ReadAnsi(key_, "bad")) << number;
  }
  EXPECT_EQ(ValueCount(key_), 0u);
}

TEST_F(WinRegistry, MissingValueNameCreatesTheKeyAndItsParents) {
  const auto deep = key_ + L"\\one\\two\\three";
  ASSERT_FALSE(KeyExists(key_ + L"\\one"));
  EXPECT_TRUE(RegWriteValue(RegRoot::CurrentUser, deep, std::nullopt, RegValue(std::int64_t{1}), kRegDword));
  EXPECT_TRUE(KeyExists(deep));
  EXPECT_EQ(ValueCount(deep), 0u);
}

TEST_F(WinRegistry, TypesOutsideTheTableWriteNothingButSucceed) {
  for (const std::uint32_t type : {5u, 6u}) {
    EXPECT_TRUE(Write(L"odd", RegValue(std::int64_t{1}), type)) << type;
  }
  EXPECT_EQ(ValueCount(key_), 0u);
}

TEST_F(WinRegistry, TextTypesStoreCodePageTextWithOneTerminatingNul) {
  struct Case {
    std::string name;
    RegValue value;
    std::uint32_t type;
    std::string bytes;
  };
  const Case cases[] = {
      {"sz", std::wstring(L"Hello"), kRegSz, std::string("Hello\0", 6)},
      {"number", std::int64_t{-7}, kRegSz, std::string("-7\0", 3)},
      {"expand", std::wstring(L"%TEMP%\\x"), kRegExpandSz, std::string("%TEMP%\\x\0", 9)},
      {"multi", std::wstring(L"a\0bc\0", 5), kRegMultiSz, std::string("a\0bc\0\0", 6)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Write(std::wstring(c.name.begin(), c.name.end()), c.value, c.type)) << c.name;
    const auto stored = ReadAnsi(key_, c.name);
    ASSERT_TRUE(stored) << c.name;
    EXPECT_EQ(stored->type, c.type) << c.name;
    EXPECT_EQ(std::string(stored->bytes.begin(), stored->bytes.end()), c.bytes) << c.name;
  }
}

TEST_F(WinRegistry, BinaryStoresEachByte) {
  ASSERT_TRUE(Write(L"bin", RegValue(Bytes{0x00, 0x7F, 0x80, 0xFF}), kRegBinary));
  const auto stored = ReadAnsi(key_, "bin");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(stored->bytes, (Bytes{0x00, 0x7F, 0x80, 0xFF}));
}

TEST_F(WinRegistry, UnopenableKeyReturnsFalse) {
  const auto noRoot = static_cast<RegRoot>(0x80000077u);
  EXPECT_FALSE(RegWriteValue(noRoot, L"Software\\x", L"v", RegValue(std::int64_t{1}), kRegDword));
  EXPECT_FALSE(RegWriteValue(noRoot, L"Software\\x", std::nullopt, RegValue(std::int64_t{1}), kRegDword));
}

TEST_F(WinRegistry, ValueNamesOutsideTheCodePageStayIntact) {
  const std::wstring name = L"C:\\\u5E94\u7528\\Notify.exe";
  ASSERT_TRUE(Write(name, RegValue(std::int64_t{1}), kRegDword));
  EXPECT_EQ(ReadDword(key_, name), std::optional<DWORD>(1));
}

// The compatibility record lives in the real Persisted key of this (disposable) prefix.
class WinCompatibilityRecord : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& name : written_) {
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, std::wstring(kCompatibilityPersistedKey).c_str(), name.c_str());
    }
    SetProgramFolder(ExecutableFolder());
  }
  std::wstring Expect(const std::wstring& name) {
    written_.push_back(name);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, std::wstring(kCompatibilityPersistedKey).c_str(), name.c_str());
    return name;
  }
  std::vector<std::wstring> written_;
};

TEST_F(WinCompatibilityRecord, WineExplorerPassesTheVersionTest) {
  const auto version = GetFileVersion(SpecialFolderPath(kCsidlWindows) + L"explorer.exe");
  EXPECT_EQ(version.substr(0, 4), L"6.1.");
  EXPECT_TRUE(ExplorerVersionWantsRecord(version));
}

TEST_F(WinCompatibilityRecord, WritesDwordOneNamedAfterTheExecutable) {
  const auto name = Expect(ExecutablePath());
  ASSERT_FALSE(ReadDword(std::wstring(kCompatibilityPersistedKey), name));
  MarkCompatibilityPersisted();
  EXPECT_EQ(ReadDword(std::wstring(kCompatibilityPersistedKey), name), std::optional<DWORD>(1));
}

TEST_F(WinCompatibilityRecord, ValueNameFollowsTheProgramFolder) {
  SetProgramFolder(L"C:\\Apps\\Notify");
  const auto name = Expect(L"C:\\Apps\\Notify\\" + ExecutableBaseName() + L".exe");
  MarkCompatibilityPersisted();
  EXPECT_EQ(ReadDword(std::wstring(kCompatibilityPersistedKey), name), std::optional<DWORD>(1));
}

}  // namespace
}  // namespace notify
