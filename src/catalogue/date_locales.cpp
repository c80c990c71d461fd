#include "catalogue/conversions.h"

namespace notify {

namespace {

// Each row holds what the locale's date conversion read in tools/date_forms/measured.tsv
// (made by tools/date_forms/measure.sh under Wine): its numeric order, whether '.' joins
// a date, its two-digit-year window and the names it takes. Under Wine, Chinese and
// Japanese read year-first unless a year comes last, and take no English names; Russian
// takes its month names in full and in the nominative only. French refused "Sept 5 2027",
// so its September has no abbreviation here.
constexpr std::array<std::wstring_view, 12> kEnglishMonths = {
    L"January", L"February", L"March", L"April", L"May", L"June", L"July", L"August", L"September", L"October",
    L"November", L"December"};
constexpr std::array<std::wstring_view, 12> kUsShortMonths = {
    L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
constexpr std::array<std::wstring_view, 12> kUkShortMonths = {
    L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul", L"Aug", L"Sept", L"Oct", L"Nov", L"Dec"};
constexpr std::array<std::wstring_view, 7> kEnglishWeekdays = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                                               L"Thursday", L"Friday", L"Saturday"};
constexpr std::array<std::wstring_view, 7> kEnglishShortWeekdays = {L"Sun", L"Mon", L"Tue", L"Wed",
                                                                    L"Thu", L"Fri", L"Sat"};
constexpr std::array<std::wstring_view, 12> kGermanMonths = {
    L"Januar", L"Februar", L"M\u00E4rz", L"April", L"Mai", L"Juni", L"Juli", L"August", L"September", L"Oktober",
    L"November", L"Dezember"};
constexpr std::array<std::wstring_view, 12> kGermanShortMonths = {
    L"Jan", L"Feb", L"M\u00E4r", L"Apr", L"Mai", L"Jun", L"Jul", L"Aug", L"Sep", L"Okt", L"Nov", L"Dez"};
constexpr std::array<std::wstring_view, 12> kFrenchMonths = {
    L"janvier", L"f\u00E9vrier", L"mars", L"avril", L"mai", L"juin", L"juillet", L"ao\u00FBt", L"septembre", L"octobre",
    L"novembre", L"d\u00E9cembre"};
constexpr std::array<std::wstring_view, 12> kFrenchShortMonths = {
    L"janv", L"f\u00E9vr", L"mars", L"avr", L"mai", L"juin", L"juil", L"ao\u00FBt", L"", L"oct", L"nov", L"d\u00E9c"};
constexpr std::array<std::wstring_view, 12> kRussianMonths = {
    L"\u044F\u043D\u0432\u0430\u0440\u044C", L"\u0444\u0435\u0432\u0440\u0430\u043B\u044C", L"\u043C\u0430\u0440\u0442",
    L"\u0430\u043F\u0440\u0435\u043B\u044C", L"\u043C\u0430\u0439", L"\u0438\u044E\u043D\u044C",
    L"\u0438\u044E\u043B\u044C", L"\u0430\u0432\u0433\u0443\u0441\u0442",
    L"\u0441\u0435\u043D\u0442\u044F\u0431\u0440\u044C", L"\u043E\u043A\u0442\u044F\u0431\u0440\u044C",
    L"\u043D\u043E\u044F\u0431\u0440\u044C", L"\u0434\u0435\u043A\u0430\u0431\u0440\u044C"};

constexpr int kWineYears = 1950;  // Wine's window; Windows itself defaults to 1930-2029

const DateLocale kDateLocales[] = {
    {L"en-US", DateOrder::MonthDayYear, false, false, kWineYears, kEnglishMonths, kUsShortMonths, kEnglishWeekdays,
     kEnglishShortWeekdays},
    {L"en-GB", DateOrder::DayMonthYear, false, false, kWineYears, kEnglishMonths, kUkShortMonths, kEnglishWeekdays,
     kEnglishShortWeekdays},
    {L"de-DE", DateOrder::DayMonthYear, true, false, kWineYears, kGermanMonths, kGermanShortMonths, {}, {}},
    {L"fr-FR", DateOrder::DayMonthYear, false, false, kWineYears, kFrenchMonths, kFrenchShortMonths, {}, {}},
    {L"ru-RU", DateOrder::DayMonthYear, true, false, kWineYears, kRussianMonths, {}, {}, {}},
    {L"zh-CN", DateOrder::YearMonthDay, false, false, kWineYears, {}, {}, {}, {}},
    {L"ja-JP", DateOrder::YearMonthDay, false, false, kWineYears, {}, {}, {}, {}},
};

}  // namespace

const DateLocale* FindDateLocale(std::wstring_view name) {
  for (const DateLocale& locale : kDateLocales) {
    if (locale.name == name) return &locale;
  }
  return nullptr;
}

}  // namespace notify
