#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"

namespace notify {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A stand-in for the ANSI code page that makes the conversion visible: UTF-8 bytes.
std::string Utf8Encoder(std::wstring_view text) { return ToUtf8(text); }

RegEncoding Encode(const RegValue& value, std::uint32_t type) { return EncodeRegValue(value, type, Utf8Encoder); }

struct EncodingCase {
  const char* name;
  RegValue value;
  std::uint32_t type;
  RegEncodingKind kind;
  Bytes bytes;
};

TEST(RegistryEncoding, EveryTypeTable) {
  const EncodingCase cases[] = {
      {"sz text", std::wstring(L"Ab"), kRegSz, RegEncodingKind::Write, {'A', 'b', 0}},
      {"sz empty", std::wstring(), kRegSz, RegEncodingKind::Write, {0}},
      {"sz through encoder", std::wstring(L"\u00E9"), kRegSz, RegEncodingKind::Write, {0xC3, 0xA9, 0}},
      {"sz number", std::int64_t{-42}, kRegSz, RegEncodingKind::Write, {'-', '4', '2', 0}},
      {"expand sz", std::wstring(L"%T%"), kRegExpandSz, RegEncodingKind::Write, {'%', 'T', '%', 0}},
      {"multi sz keeps inner NULs", std::wstring(L"a\0b\0", 4), kRegMultiSz, RegEncodingKind::Write,
       {'a', 0, 'b', 0, 0}},
      {"binary", Bytes{0x00, 0xFF, 0x10}, kRegBinary, RegEncodingKind::Write, {0x00, 0xFF, 0x10}},
      {"binary empty", Bytes{}, kRegBinary, RegEncodingKind::Write, {}},
      {"binary of a non-array", std::int64_t{7}, kRegBinary, RegEncodingKind::Write, {}},
      {"dword zero", std::int64_t{0}, kRegDword, RegEncodingKind::Write, {0, 0, 0, 0}},
      {"dword one", std::int64_t{1}, kRegDword, RegEncodingKind::Write, {1, 0, 0, 0}},
      {"dword little-endian", std::int64_t{0x12345678}, kRegDword, RegEncodingKind::Write, {0x78, 0x56, 0x34, 0x12}},
      {"dword max", std::int64_t{4294967295LL}, kRegDword, RegEncodingKind::Write, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"dword above max", std::int64_t{4294967296LL}, kRegDword, RegEncodingKind::Refuse, {}},
      {"dword negative", std::int64_t{-1}, kRegDword, RegEncodingKind::Refuse, {}},
      {"dword from numeric text", std::wstring(L" 258 "), kRegDword, RegEncodingKind::Write, {2, 1, 0, 0}},
      {"dword from huge text", std::wstring(L"99999999999999999999999"), kRegDword, RegEncodingKind::Refuse, {}},
      {"dword from negative text", std::wstring(L"-5"), kRegDword, RegEncodingKind::Refuse, {}},
      {"dword from no number", std::wstring(L"abc"), kRegDword, RegEncodingKind::Write, {0, 0, 0, 0}},
      {"dword from bytes", Bytes{1, 2}, kRegDword, RegEncodingKind::Write, {0, 0, 0, 0}},
      {"type 0", std::int64_t{1}, 0, RegEncodingKind::Skip, {}},
      {"type 5", std::int64_t{1}, 5, RegEncodingKind::Skip, {}},
      {"type 6", std::wstring(L"x"), 6, RegEncodingKind::Skip, {}},
      {"type 11", std::int64_t{1}, 11, RegEncodingKind::Skip, {}},
  };
  for (const auto& c : cases) {
    const auto encoding = Encode(c.value, c.type);
    EXPECT_EQ(encoding.kind, c.kind) << c.name;
    EXPECT_EQ(encoding.bytes, c.bytes) << c.name;
  }
}

TEST(RegistryEncoding, DwordRoundTripsThroughItsBytes) {
  for (const std::int64_t number : {0LL, 1LL, 255LL, 256LL, 65535LL, 16777216LL, 2147483648LL, 4294967295LL}) {
    const auto bytes = Encode(number, kRegDword).bytes;
    ASSERT_EQ(bytes.size(), 4u);
    const std::int64_t back = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::int64_t{bytes[3]} << 24);
    EXPECT_EQ(back, number);
  }
}

TEST(CompatibilityRecord, ExplorerVersionTable) {
  struct Case {
    std::wstring text;
    int number;
    bool written;
  };
  const Case cases[] = {
      {L"6.1.7601.17514", 61, true},  {L"6.0.6002.18005", 60, true}, {L"5.1.2600.5512", 51, false},
      {L"10.0.19041.1", 10, false},   {L"0.0.0.0", 0, false},         {L"1.0.0.1000", 10, false},
      {L"6.3.9600.16384", 63, true},  {L"", 0, false},                {L"x.1", 0, false},
      {L"7", 7, false},               {L"6.1x", 61, true},            {L"61.0.0.0", 61, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExplorerVersionNumber(c.text), c.number) << c.text;
    EXPECT_EQ(ExplorerVersionWantsRecord(c.text), c.written) << c.text;
  }
}

TEST(CompatibilityRecord, ValueNameIsProgramFolderPlusBaseName) {
  const auto saved = ProgramFolder();
  SetProgramFolder(L"C:\\Apps\\Notify\\");
  EXPECT_EQ(CompatibilityValueName(), L"C:\\Apps\\Notify\\unit_tests.exe");
  SetProgramFolder(L"C:\\Apps\\Notify");
  EXPECT_EQ(CompatibilityValueName(), L"C:\\Apps\\Notify\\unit_tests.exe");
  SetProgramFolder(saved);
}

}  // namespace
}  // namespace notify
