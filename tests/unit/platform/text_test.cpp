#include "platform/text.h"

#include <gtest/gtest.h>

namespace notify {
namespace {

TEST(Text, TrimRemovesOnlySpaces) {
  EXPECT_EQ(Trim(L"  a b  "), L"a b");
  EXPECT_EQ(Trim(L"\ta\t"), L"\ta\t");
  EXPECT_EQ(Trim(L"    "), L"");
  EXPECT_EQ(Trim(L""), L"");
}

TEST(Text, CaseFoldingCoversCommonScripts) {
  EXPECT_TRUE(EqualsNoCase(L"Msg-ABC", L"msg-abc"));
  EXPECT_TRUE(EqualsNoCase(L"\u00C9T\u00C9", L"\u00E9t\u00E9"));          // ÉTÉ
  EXPECT_TRUE(EqualsNoCase(L"\u0411\u042F", L"\u0431\u044F"));            // БЯ
  EXPECT_TRUE(EqualsNoCase(L"\u03A3\u03A9", L"\u03C3\u03C9"));            // ΣΩ
  EXPECT_TRUE(EqualsNoCase(L"\uFF21", L"\uFF41"));                        // full-width A
  EXPECT_FALSE(EqualsNoCase(L"\u00D7", L"\u00F7"));                      // × is not ÷
  EXPECT_TRUE(EqualsNoCase(L"\u786E\u5B9A", L"\u786E\u5B9A"));
  EXPECT_FALSE(EqualsNoCase(L"ab", L"abc"));
}

TEST(Text, FindAndReplaceWithoutCase) {
  EXPECT_EQ(FindNoCase(L"x{#p@cur}y", L"{#P@CUR}"), 1u);
  EXPECT_EQ(FindNoCase(L"abc", L"d"), std::wstring::npos);
  EXPECT_EQ(ReplaceAllNoCase(L"C:\\Users\\HISTORY\\x\\history\\", L"\\History\\", L"\\Temp\\"),
            L"C:\\Users\\Temp\\x\\Temp\\");
  EXPECT_EQ(ReplaceAll(L"a.b.c", L".", L"\\"), L"a\\b\\c");
  EXPECT_EQ(ReplaceAll(L"aaa", L"", L"x"), L"aaa");
}

TEST(Text, Utf8RoundTripAndInvalidInput) {
  const std::wstring text = L"Notify \u786E\u5B9A \u00E9 \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(L"\u786E"), "\xE7\xA1\xAE");
  EXPECT_EQ(FromUtf8("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE7\xA1"), L"\uFFFD\uFFFD");     // truncated sequence
  EXPECT_EQ(FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");     // overlong slash
}

}  // namespace
}  // namespace notify
