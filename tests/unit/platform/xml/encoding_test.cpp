#include "platform/xml/encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace notify::xml {
namespace {

struct CodePageCase {
  const wchar_t* encoding;
  const wchar_t* text;
  std::string bytes;  // from the published code-page tables
  std::size_t bom = 0;
};

const std::vector<CodePageCase>& CodePageCases() {
  static const std::vector<CodePageCase> cases{
      {L"GB2312", L"\x4E2D\x6587", "\xD6\xD0\xCE\xC4"},
      {L"gbk", L"\x4E2D\x6587", "\xD6\xD0\xCE\xC4"},
      {L"GB18030", L"\x4E2D\x20AC", "\xD6\xD0\xA2\xE3"},
      {L"Big5", L"\x4E2D\x6587", "\xA4\xA4\xA4\xE5"},
      {L"Shift_JIS", L"\x65E5\x672C", "\x93\xFA\x96\x7B"},
      {L"ISO-8859-1", L"caf\xE9", "caf\xE9"},
      {L"iso-8859-2", L"\x0141\x00F3" L"d\x017A", "\xA3\xF3" "d\xBC"},
      {L"windows-1252", L"\x20AC\x2019", "\x80\x92"},
      {L"windows-1251", L"\x041F\x0440", "\xCF\xF0"},
      {L"UTF-8", L"\x4E2D\xE9", "\xE4\xB8\xAD\xC3\xA9"},
      {L"utf-16", L"A\x4E2D", std::string("\xFF\xFE" "A\0\x2D\x4E", 6)},
      {L"UTF-16BE", L"A\x4E2D", std::string("\xFE\xFF\0A\x4E\x2D", 6)},
      // Beyond the hand-written names: what the system's table or iconv reads.
      {L"EUC-CN", L"\x4E2D\x6587", "\xD6\xD0\xCE\xC4"},
      {L"HZ-GB-2312", L"a\x4E2D\x6587~b", "a~{VPND~}~~b"},
      {L"x-mac-chinesesimp", L"\x4E2D\x6587", "\xD6\xD0\xCE\xC4"},
      {L"windows-874", L"\x0E01\x20AC", "\xA1\x80"},
      {L"UTF-32", L"A\x4E2D", std::string("\xFF\xFE\0\0" "A\0\0\0\x2D\x4E\0\0", 12), 4},
      {L"utf-32BE", L"A\x4E2D", std::string("\0\0\xFE\xFF\0\0\0A\0\0\x4E\x2D", 12), 4},
  };
  return cases;
}

TEST(Encoding, EncodesAndDecodesByTable) {
  for (const auto& c : CodePageCases()) {
    SCOPED_TRACE(ToUtf8(c.encoding));
#ifdef _WIN32
    // Code page 54936 is the system's to offer; Wine 8 does not.
    if (EqualsNoCase(c.encoding, L"GB18030") && !IsKnownEncoding(c.encoding)) continue;
#else
    // glibc's iconv has no Mac Chinese.
    if (EqualsNoCase(c.encoding, L"x-mac-chinesesimp") && !IsKnownEncoding(c.encoding)) continue;
#endif
    EXPECT_TRUE(IsKnownEncoding(c.encoding));
    EXPECT_EQ(EncodeText(c.text, c.encoding), c.bytes);
    // Decoding takes no BOM: that is the file reader's business.
    const bool hasBom = c.bytes.rfind("\xFF\xFE", 0) == 0 || c.bytes.rfind("\xFE\xFF", 0) == 0;
    const auto decoded = DecodeBytes(c.bytes.substr(c.bom ? c.bom : hasBom ? 2 : 0), c.encoding);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, c.text);
  }
}

TEST(Encoding, HzKeepsToItsSevenBitFormAndRefusesOthers) {
  EXPECT_EQ(EncodeText(L"\x4E2D\xD55C\x4E2D", L"HZ-GB-2312"), "~{VP~}&#54620;~{VP~}");
  EXPECT_EQ(DecodeBytes("a~\nb~{VP~}", L"hz-gb-2312"), std::optional<std::wstring>(L"ab\x4E2D"));
  for (const char* bad : {"~{VP", "~x", "~{V~}", "\xD6\xD0", "~{\x01\x02~}"}) {
    EXPECT_FALSE(DecodeBytes(bad, L"HZ-GB-2312").has_value()) << bad;
  }
}

TEST(Encoding, Utf32FilesAreFoundByBomOrByTheirFirstCharacters) {
  EXPECT_EQ(DetectXmlEncoding(std::string("\xFF\xFE\0\0<\0\0\0", 8)), L"UTF-32LE");
  EXPECT_EQ(DetectXmlEncoding(std::string("<\0\0\0?\0\0\0", 8)), L"UTF-32LE");
  EXPECT_EQ(DetectXmlEncoding(std::string("\0\0\0<\0\0\0?", 8)), L"UTF-32BE");
  EXPECT_EQ(DetectXmlEncoding(std::string("\xFF\xFE<\0", 4)), L"UTF-16LE");
  EXPECT_EQ(DecodeXmlBytes(std::string("\xFF\xFE\0\0<\0\0\0a\0\0\0/\0\0\0>\0\0\0", 20)),
            std::optional<std::wstring>(L"<a/>"));
  EXPECT_FALSE(DecodeBytes(std::string("\0\xD8\0\0", 4), L"UTF-32").has_value());  // a surrogate
}

TEST(Encoding, UnrepresentableCharactersBecomeReferences) {
  struct Case {
    const wchar_t* encoding;
    const wchar_t* text;
    std::string bytes;
  };
  const std::vector<Case> cases{
      {L"ISO-8859-1", L"a\x4E2D" L"b", "a&#20013;b"},
      {L"GB2312", L"\x4E2D\xD55C", "\xD6\xD0&#54620;"},
      {L"windows-1252", L"\x0100", "&#256;"},
      {L"us-ascii", L"\xE9\xE9", "&#233;&#233;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeText(c.text, c.encoding), c.bytes) << ToUtf8(c.encoding);
  }
  std::wstring emoji = sizeof(wchar_t) == 2 ? std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}
                                            : std::wstring{static_cast<wchar_t>(0x1F600)};
  EXPECT_EQ(EncodeText(L"x" + emoji, L"GBK"), "x&#128512;");
}

TEST(Encoding, LongTextWithAFewGapsKeepsEverything) {
  std::wstring text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    text += L"\x4E2D" L"a";
    expected += "\xD6\xD0" "a";
    if (i % 1000 == 999) {
      text += L"\xD55C";
      expected += "&#54620;";
    }
  }
  EXPECT_EQ(EncodeText(text, L"GB2312"), expected);
}

TEST(Encoding, RejectsInvalidBytesAndUnknownNames) {
  EXPECT_FALSE(DecodeBytes("\xE4\xB8", L"UTF-8").has_value());
  EXPECT_FALSE(DecodeBytes("\xC0\xAF", L"UTF-8").has_value()) << "overlong form";
  EXPECT_FALSE(DecodeBytes("abc", L"UTF-16").has_value()) << "odd length";
  EXPECT_FALSE(DecodeBytes(std::string("\x00\xDC", 2), L"UTF-16").has_value()) << "lone low surrogate";
  EXPECT_FALSE(DecodeBytes("\xD6", L"GB2312").has_value()) << "cut double-byte character";
  EXPECT_FALSE(DecodeBytes("abc", L"x-no-such-thing").has_value());
  EXPECT_FALSE(IsKnownEncoding(L"x-no-such-thing"));
  EXPECT_FALSE(IsKnownEncoding(L""));
  EXPECT_THROW(EncodeText(L"abc", L"x-no-such-thing"), RuntimeError);
}

TEST(Encoding, DetectsXmlEncodingByBomThenDeclaration) {
  struct Case {
    std::string bytes;
    const wchar_t* encoding;
  };
  const std::vector<Case> cases{
      {"<a/>", L"UTF-8"},
      {"\xEF\xBB\xBF<?xml version='1.0' encoding='GB2312'?><a/>", L"UTF-8"},
      {"\xFF\xFE<\0a\0/\0>\0", L"UTF-16LE"},
      {"\xFE\xFF\0<\0a\0/\0>", L"UTF-16BE"},
      {std::string("<\0?\0x\0m\0l\0", 10), L"UTF-16LE"},
      {"<?xml version=\"1.0\" encoding=\"GB2312\"?><a/>", L"GB2312"},
      {"<?xml version='1.0' encoding = 'big5' standalone='yes'?><a/>", L"big5"},
      {"<?xml version='1.0' encoding='UTF-16'?><a/>", L"UTF-8"},
      {"<?xml version='1.0'?><a encoding='GBK'/>", L"UTF-8"},
      {"<a encoding='GBK'/>", L"UTF-8"},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectXmlEncoding(c.bytes), c.encoding) << c.bytes;
}

TEST(Encoding, DecodesWholeXmlFilesWithoutTheBom) {
  EXPECT_EQ(DecodeXmlBytes("\xEF\xBB\xBF<a>\xC3\xA9</a>"), std::wstring(L"<a>\xE9</a>"));
  EXPECT_EQ(DecodeXmlBytes(std::string("\xFE\xFF\0<\0a\0/\0>", 10)), std::wstring(L"<a/>"));
  EXPECT_EQ(DecodeXmlBytes("<?xml version='1.0' encoding='GB2312'?><a>\xD6\xD0</a>"),
            std::wstring(L"<?xml version='1.0' encoding='GB2312'?><a>\x4E2D</a>"));
  EXPECT_FALSE(DecodeXmlBytes("<?xml version='1.0' encoding='nope'?><a/>").has_value());
}

TEST(Encoding, DeclaredEncodingReadsThePseudoAttribute) {
  EXPECT_EQ(DeclaredEncoding(L"version='1.0' encoding='GB2312'"), L"GB2312");
  EXPECT_EQ(DeclaredEncoding(L"version=\"1.0\" encoding = \"utf-8\" standalone=\"no\""), L"utf-8");
  EXPECT_EQ(DeclaredEncoding(L"version='1.0'"), L"");
  EXPECT_EQ(DeclaredEncoding(L"version='1.0' encoding='unterminated"), L"");
}

TEST(Encoding, AnsiTextRoundTripsAscii) {
  EXPECT_EQ(ToAnsi(L"2026-01-02 10:11:12 : text"), "2026-01-02 10:11:12 : text");
}

}  // namespace
}  // namespace notify::xml
