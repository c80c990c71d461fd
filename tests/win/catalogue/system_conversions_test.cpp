// The portable conversions against the system's own text conversions (oleaut32), which
// the catalogue's rules are defined by. Runs under Wine with the default English locale.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "catalogue/conversions.h"
#include "platform/error.h"
#include "platform/text.h"

namespace notify {
namespace {

std::optional<std::int16_t> SystemInt16(const std::wstring& text) {
  std::wstring owned = text;
  SHORT value = 0;
  if (FAILED(VarI2FromStr(owned.data(), LOCALE_USER_DEFAULT, 0, &value))) return std::nullopt;
  return value;
}

std::optional<std::int32_t> SystemColour(const std::wstring& text) {
  std::wstring literal = L"&H00" + text;
  LONG value = 0;
  if (FAILED(VarI4FromStr(literal.data(), LOCALE_USER_DEFAULT, 0, &value))) return std::nullopt;
  return value;
}

template <class T, class Convert>
std::optional<T> Portable(Convert convert, const std::wstring& text) {
  try {
    return convert(text);
  } catch (const RuntimeError&) {
    return std::nullopt;
  }
}

const wchar_t* const kNumberTexts[] = {
    L"12", L" 12 ", L"+12", L"-12", L"12-", L"(12)", L"$12", L"1,000", L"1e3", L"1.5e1", L"6e-1", L"2.5", L"3.5",
    L"-2.5", L"0.5", L"1.5", L".5", L"5.", L"32767", L"32767.4", L"32767.5", L"32768", L"-32768", L"-32768.5",
    L"-32769", L"&HFFFF", L"&H8000", L"&H10000", L"&h10", L"&O17", L"", L" ", L"1 2", L"0x10", L"1d2", L"abc",
    L"12abc", L"(12", L"--1", L"1e", L"&H", L"2.5000000000000000001"};

TEST(SystemConversions, Int16AgreesWithVarI2FromStr) {
  for (const wchar_t* text : kNumberTexts) {
    EXPECT_EQ(Portable<std::int16_t>(Int16FromText, text), SystemInt16(text)) << "text [" << ToUtf8(text) << "]";
  }
}

TEST(SystemConversions, ColourAgreesWithVarI4FromStrOfTheHexLiteral) {
  for (const wchar_t* text : {L"FFFFFF", L"", L"0000FF", L"ff", L"FFFF", L"FF ", L" FF", L"FFFFFFFF", L"80000000",
                              L"000FFFFFFFF", L"123456789", L"GG", L"FF FF", L"-1", L"#FF", L"&HFF", L"1.5"}) {
    EXPECT_EQ(Portable<std::int32_t>(ColourFromText, text), SystemColour(text)) << "text [" << ToUtf8(text) << "]";
  }
}

// Two-digit years 30-49 are left out: they follow the user's two-digit-year window, long
// 1930-2029 by default on Windows (the native parser keeps it), while Wine reads 20xx.
TEST(SystemConversions, PortableDatesAgreeWithVarDateFromStrOnTheUsualForms) {
  const PortableDateParser portable;
  const auto system = SystemDateParser();
  for (const wchar_t* text : {L"2025-12-31", L"2025/12/31", L"12/31/2025", L"12-31-2025", L"12/31/25", L"1/1/29", L"1/1/99",
                              L"31/12/2025", L"Dec 31, 2025", L"31 December 2025", L"December 31 2025",
                              L"31-Dec-2025", L"Wed Dec 31 2025", L"2025-12-31 10:00", L"Dec 2025", L"2/29/2024",
                              L"hello", L"13/31/2025", L"2/30/2025", L"0/1/2025", L"2025-12-31T10:00", L""}) {
    const auto expected = system->Parse(text);
    const auto actual = portable.Parse(text);
    ASSERT_EQ(actual.has_value(), expected.has_value()) << "text [" << ToUtf8(text) << "]";
    if (expected) {
      EXPECT_EQ(*actual, *expected) << "text [" << ToUtf8(text) << "]";
    }
  }
}

// The catalogue documentation tells vendors that yyyy-mm-dd is read alike on every
// user's locale; each locale here has its own day/month order or calendar habits. Read
// through the product's own conversion, as the checker reads a Limit for each locale.
TEST(SystemConversions, IsoDatesReadAlikeInEveryLocaleTried) {
  for (const wchar_t* locale : {L"en-US", L"en-GB", L"de-DE", L"fr-FR", L"it-IT", L"ru-RU", L"zh-CN", L"zh-TW",
                                L"ja-JP", L"ko-KR"}) {
    const auto dates = LocaleDateParser(locale);
    for (const auto& [text, expected] : {std::pair{L"2099-12-31", CivilDate{2099, 12, 31}},
                                         std::pair{L"2026-01-02", CivilDate{2026, 1, 2}}}) {
      const auto date = dates->Parse(text);
      ASSERT_TRUE(date.has_value()) << ToUtf8(locale) << " [" << ToUtf8(text) << "]";
      EXPECT_EQ(*date, expected) << ToUtf8(locale) << " [" << ToUtf8(text) << "]";
    }
    // A form the measured locales read differently tells whether the locale reached the
    // system at all (tools/date_forms/measured.tsv: only German and Russian read it).
    if (FindDateLocale(locale) != nullptr) {
      const bool dotLocale = std::wstring_view(locale) == L"de-DE" || std::wstring_view(locale) == L"ru-RU";
      EXPECT_EQ(dates->Parse(L"02.01.2027").has_value(), dotLocale) << ToUtf8(locale);
    }
  }
}

}  // namespace
}  // namespace notify
