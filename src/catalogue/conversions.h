#pragma once
// Value conversions of the message catalogue. Failures throw RuntimeError: they run
// inside the selection's error trap, where one bad value fails the whole run.
//
// Number texts follow the system's text-to-number conversion (en-US conventions):
// blanks around the number, a leading or trailing sign, parentheses for a negative
// value, "$", "," thousands separators, a decimal point, an exponent (1e3), and the
// hexadecimal/octal forms "&H1F"/"&O17". Not accepted: empty text, blanks inside the
// number, "0x10", "1d2".
#include <array>
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

// What one user locale's date conversion reads, as measured on the Windows build under
// Wine (tools/date_forms/measure.sh writes tools/date_forms/measured.tsv).
struct DateLocale {
  std::wstring_view name;  // "de-DE"
  DateOrder order = DateOrder::MonthDayYear;
  // '.' between numbers separates a date; where it does not, "2.1.27" is a time of day.
  bool dotSeparatesDates = true;
  // English month and weekday names, in full or from their first three letters on (the
  // portable parser's own habit); a locale model lists its names instead.
  bool englishPrefixes = true;
  int twoDigitYearsFrom = 1930;  // two-digit years read as this year and the 99 after it
  std::array<std::wstring_view, 12> months{};       // in full; empty: none
  std::array<std::wstring_view, 12> shortMonths{};  // abbreviated, without a dot
  std::array<std::wstring_view, 7> weekdays{};      // Sunday first, in full
  std::array<std::wstring_view, 7> shortWeekdays{};
};

// The user locales a catalogue's Limit is judged in (the checker's rule date-form).
inline constexpr std::array<std::wstring_view, 7> kLimitLocales = {L"en-US", L"en-GB", L"de-DE", L"fr-FR",
                                                                   L"ru-RU", L"zh-CN", L"ja-JP"};
// The model of that locale; nothing for a locale that is not one of kLimitLocales.
const DateLocale* FindDateLocale(std::wstring_view name);

// yyyy-mm-dd or yyyy/mm/dd: the forms read alike in every locale measured.
bool IsPlainDateForm(std::wstring_view text);

// The native parser: ISO y-m-d, the locale's numeric order (separators / - . and blanks),
// month names in full or abbreviated ("Dec 31, 2025", "31 December 2025", "31-Dec-2025"),
// an optional leading weekday and an optional trailing time. Two-digit years: 00-29 are
// 20xx, 30-99 are 19xx (a locale model: its own window). A numeric date invalid in the locale's order is read in the next
// order that makes it valid (month-first: then year-first, then day-first; day-first:
// then month-first, then year-first; year-first: then year-day-month), as the system's
// parser does.
class PortableDateParser final : public DateParser {
 public:
  explicit PortableDateParser(DateOrder order = DateOrder::MonthDayYear) : locale_{L"", order} {}
  explicit PortableDateParser(const DateLocale& locale) : locale_(locale) {}
  std::optional<CivilDate> Parse(std::wstring_view text) const override;

 private:
  DateLocale locale_;
};

// The platform's own parser for the user's locale (Windows: VarDateFromStr with
// LOCALE_USER_DEFAULT; native: the en-US model, so that nothing is read as a date natively
// that an English user's program refuses).
std::unique_ptr<DateParser> SystemDateParser();
// The system's parser for one of kLimitLocales (Windows: VarDateFromStr in that locale;
// native: PortableDateParser over its DateLocale). Throws RuntimeError for another locale.
std::unique_ptr<DateParser> LocaleDateParser(std::wstring_view locale);
// Today's local date from the system clock.
CivilDate LocalToday();

// The expiry test of a message's Limit text: V = Val(limit), D = the parsed date; expired
// when V is not 0 and today is a later calendar day than D. A text that is no date
// throws, whatever V is.
bool IsExpired(std::wstring_view limit, const CivilDate& today, const DateParser& dates);

}  // namespace notify
