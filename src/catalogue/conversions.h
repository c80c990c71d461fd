#pragma once
// Value conversions of the message catalogue. Failures throw RuntimeError: they run
// inside the selection's error trap, where one bad value fails the whole run.
//
// Number texts follow the system's text-to-number conversion (en-US conventions):
// blanks around the number, a leading or trailing sign, parentheses for a negative
// value, "$", "," thousands separators, a decimal point, an exponent (1e3), and the
// hexadecimal/octal forms "&H1F"/"&O17". Not accepted: empty text, blanks inside the
// number, "0x10", "1d2".
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace notify {

// A calendar date (proleptic Gregorian); time of day is never part of it.
struct CivilDate {
  int Year = 0;
  int Month = 0;  // 1..12
  int Day = 0;    // 1..31
  auto operator<=>(const CivilDate&) const = default;
};

bool IsValidDate(const CivilDate& date);
// Days since 1970-01-01; differences give calendar-day boundaries.
std::int64_t DayNumber(const CivilDate& date);

// "&H00" + text as a 32-bit hexadecimal literal: BBGGRR digits give 0x00BBGGRR. Leading
// zeros do not count towards the 8-digit limit; 8 significant digits keep their bit
// pattern (FFFFFFFF is -1). Empty text gives 0.
std::int32_t ColourFromText(std::wstring_view text);

// Signed 16-bit integer; fractions round half to even; hexadecimal keeps its 16-bit
// pattern (&HFFFF is -1).
std::int16_t Int16FromText(std::wstring_view text);

// Catalogue pixels to twips (15 per pixel); the product must fit in 16 bits too.
std::int16_t TwipsFromPixelsText(std::wstring_view text);

// True when the trimmed text is "ON" in any letter case.
bool FlagFromText(std::wstring_view text);

// The leading number of a text: blanks anywhere are ignored; sign, digits, decimal point,
// exponent, or "&H"/"&O" forms; 0 when the text does not begin with a number.
double Val(std::wstring_view text);

class DateParser {
 public:
  virtual ~DateParser() = default;
  // The date part of the text, or nothing when the text is no date.
  virtual std::optional<CivilDate> Parse(std::wstring_view text) const = 0;
};

// Order of the three numbers of a numeric date such as 12/31/2025.
enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The native parser: ISO y-m-d, the locale's numeric order (separators / - .), English
// month names in full or abbreviated ("Dec 31, 2025", "31 December 2025", "31-Dec-2025"),
// an optional leading weekday and an optional trailing time. Two-digit years: 00-29 are
// 20xx, 30-99 are 19xx. A numeric date invalid in the locale's order but valid with day
// and month swapped is read swapped, as the system's parser does.
class PortableDateParser final : public DateParser {
 public:
  explicit PortableDateParser(DateOrder order = DateOrder::MonthDayYear) : order_(order) {}
  std::optional<CivilDate> Parse(std::wstring_view text) const override;

 private:
  DateOrder order_;
};

// The platform's own parser for the user's locale (Windows: VarDateFromStr with
// LOCALE_USER_DEFAULT; native: PortableDateParser in month/day/year order).
std::unique_ptr<DateParser> SystemDateParser();
// Today's local date from the system clock.
CivilDate LocalToday();

// The expiry test of a message's Limit text: V = Val(limit), D = the parsed date; expired
// when V is not 0 and today is a later calendar day than D. A text that is no date
// throws, whatever V is.
bool IsExpired(std::wstring_view limit, const CivilDate& today, const DateParser& dates);

}  // namespace notify
