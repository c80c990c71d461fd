#include "platform/text.h"

#include <gtest/gtest.h>

#include <random>

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

TEST(Text, EveryCasedScriptFoldsButDottedIStaysApart) {
  EXPECT_TRUE(EqualsNoCase(L"\u017D\u0178", L"\u017E\u00FF"));                     // ŽŸ
  EXPECT_TRUE(EqualsNoCase(L"\u0386\u0388\u038F", L"\u03AC\u03AD\u03CE"));        // ΆΈΏ
  EXPECT_TRUE(EqualsNoCase(L"\u0490\u04E8\u04B2", L"\u0491\u04E9\u04B3"));        // ҐӨҲ
  EXPECT_TRUE(EqualsNoCase(L"\u10A0\u2C00", L"\u2D00\u2C30"));                     // Georgian, Glagolitic
  EXPECT_FALSE(EqualsNoCase(L"\u0130", L"\u0131"));                                 // İ is not ı
  EXPECT_FALSE(EqualsNoCase(L"\u0130", L"i"));
  EXPECT_NE(FoldCase(L'\u0130'), FoldCase(L'\u0131'));
  EXPECT_EQ(FoldCase(L"msg-\u017E"), L"MSG-\u017D");
}

// The seen-ID hash keys on FoldCase and the scan compares with EqualsNoCase: on strings
// from many scripts, including letters whose case is special, the two must agree.
TEST(Text, FoldAndComparisonAgreeOnRandomStrings) {
  std::wstring alphabet =
      L"aAzZ09-_\u00DF\u1E9E\u00B5\u039C\u00FF\u0178\u0130\u0131iI\u017F\u212AkK\u01C4\u01C5\u01C6"
      L"\u03C2\u03C3\u03A3\u0386\u03AC\u0390\u0401\u0451\u0490\u0491\u04C0\u04CF\u0531\u0561\u10A0\u2D00"
      L"\u13A0\uAB70\u1F08\u1F00\u1F88\u2126\u03C9\u2160\u2170\u24B6\u24D0\uFF21\uFF41\u6D88\u3042";
  AppendCodePoint(alphabet, 0x10400);  // Deseret, outside the basic plane
  AppendCodePoint(alphabet, 0x10428);
  std::mt19937 random(4242);
  auto pick = [&] { return alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)]; };
  // Only pairs that differ outside ASCII count: ASCII letters alone would meet any count.
  int equalPairsOutsideAscii = 0;
  for (int round = 0; round < 4000; ++round) {
    std::wstring a;
    std::wstring b;
    const int length = std::uniform_int_distribution<int>(1, 4)(random);
    for (int i = 0; i < length; ++i) {
      const wchar_t c = pick();
      a.push_back(c);
      // Half the time a partner that folds alike, if the alphabet has one.
      wchar_t partner = pick();
      if (round % 2 == 0) {
        for (wchar_t d : alphabet) {
          if (d != c && FoldCase(d) == FoldCase(c) && std::uniform_int_distribution<int>(0, 1)(random)) partner = d;
        }
        if (FoldCase(partner) != FoldCase(c)) partner = c;
      }
      b.push_back(partner);
    }
    const bool equal = EqualsNoCase(a, b);
    ASSERT_EQ(equal, FoldCase(a) == FoldCase(b)) << ToUtf8(a) << " / " << ToUtf8(b);
    ASSERT_EQ(equal, EqualsNoCase(b, a)) << ToUtf8(a) << " / " << ToUtf8(b);
    bool differsOutsideAscii = false;
    for (std::size_t i = 0; i < a.size(); ++i) differsOutsideAscii |= a[i] != b[i] && (a[i] > 0x7F || b[i] > 0x7F);
    equalPairsOutsideAscii += equal && differsOutsideAscii ? 1 : 0;
  }
  EXPECT_GT(equalPairsOutsideAscii, 100);
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
