#include "catalogue/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace notify {
namespace {

struct Int16Case {
  const wchar_t* text;
  std::optional<std::int16_t> expected;  // nothing: the conversion fails
};

class Int16Conversion : public testing::TestWithParam<Int16Case> {};

TEST_P(Int16Conversion, MatchesTheSystemRules) {
  const auto& c = GetParam();
  if (c.expected) {
    EXPECT_EQ(Int16FromText(c.text), *c.expected) << "text [" << ToUtf8(c.text) << "]";
  } else {
    EXPECT_THROW(Int16FromText(c.text), RuntimeError) << "text [" << ToUtf8(c.text) << "]";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Int16Conversion,
    testing::Values(
        Int16Case{L"12", 12}, Int16Case{L" 12 ", 12}, Int16Case{L"\t7\t", 7}, Int16Case{L"+12", 12},
        Int16Case{L"-12", -12}, Int16Case{L"12-", -12}, Int16Case{L"(12)", -12}, Int16Case{L"$12", 12},
        Int16Case{L"1,000", 1000}, Int16Case{L"1e3", 1000}, Int16Case{L"1.5e1", 15}, Int16Case{L"6e-1", 1},
        Int16Case{L"1e-1", 0}, Int16Case{L"0.5", 0}, Int16Case{L"1.5", 2}, Int16Case{L"2.5", 2},
        Int16Case{L"3.5", 4}, Int16Case{L"-2.5", -2}, Int16Case{L"2.5000000000000000001", 3},
        Int16Case{L"2.4999999999999999999", 2}, Int16Case{L".5", 0}, Int16Case{L".51", 1}, Int16Case{L"5.", 5},
        Int16Case{L"0.0000000000000000000000009", 0}, Int16Case{L"000000000000000000012", 12},
        Int16Case{L"-0", 0}, Int16Case{L"32767", 32767}, Int16Case{L"32767.4", 32767},
        Int16Case{L"-32768", -32768}, Int16Case{L"-32768.5", -32768}, Int16Case{L"&h10", 16},
        Int16Case{L"&HFFFF", -1}, Int16Case{L"&H8000", -32768}, Int16Case{L"&O17", 15},
        Int16Case{L"", std::nullopt}, Int16Case{L" ", std::nullopt}, Int16Case{L"1 2", std::nullopt},
        Int16Case{L"0x10", std::nullopt}, Int16Case{L"1d2", std::nullopt}, Int16Case{L"abc", std::nullopt},
        Int16Case{L"12abc", std::nullopt}, Int16Case{L"(12", std::nullopt}, Int16Case{L"--1", std::nullopt},
        Int16Case{L"+-1", std::nullopt}, Int16Case{L"1e", std::nullopt}, Int16Case{L"1.2.3", std::nullopt},
        Int16Case{L"&H", std::nullopt}, Int16Case{L"&G1", std::nullopt}, Int16Case{L"32768", std::nullopt},
        Int16Case{L"32767.5", std::nullopt}, Int16Case{L"-32769", std::nullopt},
        Int16Case{L"-32768.51", std::nullopt}, Int16Case{L"&H10000", std::nullopt},
        Int16Case{L"1e99999", std::nullopt}, Int16Case{L"99999999999999999999", std::nullopt}));

struct ColourCase {
  const wchar_t* text;
  std::optional<std::int32_t> expected;
};

class ColourConversion : public testing::TestWithParam<ColourCase> {};

TEST_P(ColourConversion, ReadsBlueGreenRedHex) {
  const auto& c = GetParam();
  if (c.expected) {
    EXPECT_EQ(ColourFromText(c.text), *c.expected) << "text [" << ToUtf8(c.text) << "]";
  } else {
    EXPECT_THROW(ColourFromText(c.text), RuntimeError) << "text [" << ToUtf8(c.text) << "]";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ColourConversion,
    testing::Values(ColourCase{L"FFFFFF", 16777215}, ColourCase{L"", 0}, ColourCase{L"0000FF", 255},
                    ColourCase{L"00FF00", 65280}, ColourCase{L"FF0000", 16711680}, ColourCase{L"ff", 255},
                    ColourCase{L"FFFF", 65535},  // no 16-bit wrap for a 32-bit conversion
                    ColourCase{L"FF ", 255}, ColourCase{L"FFFFFFFF", -1},
                    ColourCase{L"80000000", std::numeric_limits<std::int32_t>::min()},
                    ColourCase{L"000FFFFFFFF", -1},  // leading zeros are not digits of the limit
                    ColourCase{L"GG", std::nullopt}, ColourCase{L" FF", std::nullopt},
                    ColourCase{L"FF FF", std::nullopt}, ColourCase{L"123456789", std::nullopt},
                    ColourCase{L"-1", std::nullopt}, ColourCase{L"#FF0000", std::nullopt},
                    ColourCase{L"&HFF", std::nullopt}, ColourCase{L"1.5", std::nullopt}));

TEST(TwipsConversion, ScalesByFifteenWithinSixteenBits) {
  EXPECT_EQ(TwipsFromPixelsText(L"408"), 6120);
  EXPECT_EQ(TwipsFromPixelsText(L"2184"), 32760);
  EXPECT_EQ(TwipsFromPixelsText(L"-2184"), -32760);
  EXPECT_EQ(TwipsFromPixelsText(L"2184.4"), 32760);
  EXPECT_EQ(TwipsFromPixelsText(L"1.5"), 30);  // rounded before scaling
  EXPECT_EQ(TwipsFromPixelsText(L"0"), 0);
  EXPECT_THROW(TwipsFromPixelsText(L"2185"), RuntimeError);
  EXPECT_THROW(TwipsFromPixelsText(L"-2185"), RuntimeError);
  EXPECT_THROW(TwipsFromPixelsText(L"40000"), RuntimeError);
  EXPECT_THROW(TwipsFromPixelsText(L"wide"), RuntimeError);
}

TEST(FlagConversion, OnlyOnInAnyCaseIsTrue) {
  for (const wchar_t* on : {L"ON", L"on", L"On", L"oN", L"  on  "}) {
    EXPECT_TRUE(FlagFromText(on)) << ToUtf8(on);
  }
  for (const wchar_t* off : {L"yes", L"", L"O N", L"ONE", L"1", L"-1", L"true", L"\ton", L"OFF"}) {
    EXPECT_FALSE(FlagFromText(off)) << ToUtf8(off);
  }
}

struct ValCase {
  const wchar_t* text;
  double expected;
};

class LeadingNumber : public testing::TestWithParam<ValCase> {};

TEST_P(LeadingNumber, ReadsUpToTheFirstCharacterThatCannotContinue) {
  EXPECT_DOUBLE_EQ(Val(GetParam().text), GetParam().expected) << ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeadingNumber,
    testing::Values(ValCase{L"2025-12-31", 2025}, ValCase{L"12/31/2025", 12}, ValCase{L"Dec 31, 2025", 0},
                    ValCase{L"31 December 2025", 31}, ValCase{L"  1 2\t3", 123}, ValCase{L"-5", -5},
                    ValCase{L"+.5", 0.5}, ValCase{L"1e3", 1000}, ValCase{L"1.5d2", 150}, ValCase{L"3e", 3},
                    ValCase{L"3e+", 3}, ValCase{L"&H10", 16}, ValCase{L"&HFFFF", -1}, ValCase{L"&O17", 15},
                    ValCase{L"&", 0}, ValCase{L"", 0}, ValCase{L".", 0}, ValCase{L"-", 0}, ValCase{L"12abc", 12},
                    ValCase{L"0.0", 0}, ValCase{L"1.2.3", 1.2}, ValCase{L"1,000", 1}));

struct DateCase {
  const wchar_t* text;
  std::optional<CivilDate> expected;
};

void ExpectDate(const DateParser& parser, const DateCase& c) {
  const auto parsed = parser.Parse(c.text);
  ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << "text [" << ToUtf8(c.text) << "]";
  if (parsed) {
    EXPECT_EQ(*parsed, *c.expected) << "text [" << ToUtf8(c.text) << "] gave " << parsed->Year << "-"
                                    << parsed->Month << "-" << parsed->Day;
  }
}

class MonthDayYearDates : public testing::TestWithParam<DateCase> {};

TEST_P(MonthDayYearDates, ParseAsTheEnglishLocale) { ExpectDate(PortableDateParser(), GetParam()); }

constexpr CivilDate kNewYearsEve{2025, 12, 31};

INSTANTIATE_TEST_SUITE_P(
    Table, MonthDayYearDates,
    testing::Values(
        DateCase{L"2025-12-31", kNewYearsEve}, DateCase{L"2025/12/31", kNewYearsEve},
        DateCase{L"12/31/2025", kNewYearsEve}, DateCase{L"12-31-2025", kNewYearsEve},
        DateCase{L"12/31/25", kNewYearsEve}, DateCase{L"31/12/2025", kNewYearsEve},
        DateCase{L"Dec 31, 2025", kNewYearsEve}, DateCase{L"dec 31 2025", kNewYearsEve},
        DateCase{L"31 December 2025", kNewYearsEve}, DateCase{L"December 31, 2025", kNewYearsEve},
        DateCase{L"31-Dec-2025", kNewYearsEve}, DateCase{L"2025 Dec 31", kNewYearsEve},
        DateCase{L"Wed Dec 31 2025", kNewYearsEve}, DateCase{L"Wednesday, December 31, 2025", kNewYearsEve},
        DateCase{L"2025-12-31 10:00", kNewYearsEve}, DateCase{L"12/31/2025 11:59:59 PM", kNewYearsEve},
        DateCase{L"1/1/30", CivilDate{1930, 1, 1}}, DateCase{L"1/1/29", CivilDate{2029, 1, 1}},
        DateCase{L"2/29/2024", CivilDate{2024, 2, 29}}, DateCase{L"Sept 5 2025", CivilDate{2025, 9, 5}},
        DateCase{L"Dec 2025", CivilDate{2025, 12, 1}}, DateCase{L"10:00", CivilDate{1899, 12, 30}},
        DateCase{L"", std::nullopt}, DateCase{L"   ", std::nullopt}, DateCase{L"hello", std::nullopt},
        DateCase{L"soon", std::nullopt}, DateCase{L"13/31/2025", std::nullopt},
        DateCase{L"2/30/2025", std::nullopt}, DateCase{L"2/29/2025", std::nullopt},
        DateCase{L"0/1/2025", std::nullopt}, DateCase{L"2025", std::nullopt}, DateCase{L"Dec 31", std::nullopt},
        DateCase{L"2025-12-31T10:00", std::nullopt}, DateCase{L"31 Foo 2025", std::nullopt},
        DateCase{L"Dec Jan 2025", std::nullopt}, DateCase{L"12/31/2025 25:00", std::nullopt},
        DateCase{L"12/31/2025 x", std::nullopt}, DateCase{L"12/31/2025/1", std::nullopt},
        DateCase{L"12_31_2025", std::nullopt}, DateCase{L"Mo 12/31/2025", std::nullopt}));

TEST(DateOrderSetting, DecidesTheNumericOrder) {
  const PortableDateParser dmy(DateOrder::DayMonthYear);
  ExpectDate(dmy, {L"31/12/2025", kNewYearsEve});
  ExpectDate(dmy, {L"31.12.2025", kNewYearsEve});
  ExpectDate(dmy, {L"1/2/2025", CivilDate{2025, 2, 1}});
  ExpectDate(dmy, {L"12/31/2025", kNewYearsEve});  // read swapped: 31 cannot be a month
  ExpectDate(dmy, {L"2025-12-31", kNewYearsEve});   // four-digit year first is always y-m-d
  ExpectDate(PortableDateParser(DateOrder::MonthDayYear), {L"1/2/2025", CivilDate{2025, 1, 2}});
  ExpectDate(PortableDateParser(DateOrder::YearMonthDay), {L"25/12/31", kNewYearsEve});
}

// The platform parser under the default English locale (Wine's and the native build).
TEST(SystemDateParser, ReadsTheUsualForms) {
  const auto parser = SystemDateParser();
  for (const wchar_t* text : {L"2025-12-31", L"12/31/2025", L"Dec 31, 2025", L"31 December 2025"}) {
    ExpectDate(*parser, {text, kNewYearsEve});
  }
  for (const wchar_t* text : {L"hello", L"13/31/2025", L"", L"2/30/2025"}) {
    ExpectDate(*parser, {text, std::nullopt});
  }
}

class CountingParser final : public DateParser {
 public:
  explicit CountingParser(std::optional<CivilDate> result) : result_(result) {}
  std::optional<CivilDate> Parse(std::wstring_view) const override {
    ++calls;
    return result_;
  }
  mutable int calls = 0;

 private:
  std::optional<CivilDate> result_;
};

TEST(Expiry, TheLimitDayIsStillValidAndTheNextIsNot) {
  const PortableDateParser parser;
  for (const wchar_t* limit : {L"2025-12-31", L"12/31/2025", L"12/31/2025 23:59"}) {
    EXPECT_FALSE(IsExpired(limit, CivilDate{2025, 12, 30}, parser)) << ToUtf8(limit);
    EXPECT_FALSE(IsExpired(limit, kNewYearsEve, parser)) << ToUtf8(limit);
    EXPECT_TRUE(IsExpired(limit, CivilDate{2026, 1, 1}, parser)) << ToUtf8(limit);
    EXPECT_TRUE(IsExpired(limit, CivilDate{2031, 6, 1}, parser)) << ToUtf8(limit);
  }
}

TEST(Expiry, ADateThatBeginsWithALetterNeverExpires) {
  const PortableDateParser parser;
  EXPECT_FALSE(IsExpired(L"Dec 31, 2025", CivilDate{2026, 1, 1}, parser));
  EXPECT_FALSE(IsExpired(L"Dec 31, 2025", CivilDate{9999, 12, 31}, parser));
  EXPECT_TRUE(IsExpired(L"31 December 2025", CivilDate{2026, 1, 1}, parser));  // leading 31
}

TEST(Expiry, TextThatIsNoDateFailsEvenWithoutALeadingNumber) {
  const PortableDateParser parser;
  for (const wchar_t* limit : {L"", L"never", L"12/31", L"2025"}) {
    EXPECT_THROW(IsExpired(limit, kNewYearsEve, parser), RuntimeError) << ToUtf8(limit);
  }
  CountingParser refusing(std::nullopt);
  EXPECT_THROW(IsExpired(L"Dec 31, 2025", kNewYearsEve, refusing), RuntimeError);
  EXPECT_EQ(refusing.calls, 1);
}

TEST(Expiry, CountsCalendarDaysAcrossMonthsAndLeapDays) {
  CountingParser leapDay(CivilDate{2024, 2, 29});
  EXPECT_FALSE(IsExpired(L"1", CivilDate{2024, 2, 29}, leapDay));
  EXPECT_TRUE(IsExpired(L"1", CivilDate{2024, 3, 1}, leapDay));
  EXPECT_EQ(DayNumber(CivilDate{2024, 3, 1}) - DayNumber(CivilDate{2024, 2, 28}), 2);
  EXPECT_EQ(DayNumber(CivilDate{2026, 1, 1}) - DayNumber(kNewYearsEve), 1);
  EXPECT_EQ(DayNumber(CivilDate{1970, 1, 1}), 0);
}

}  // namespace
}  // namespace notify
