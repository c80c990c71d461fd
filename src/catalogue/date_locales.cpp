#include "catalogue/conversions.h"

namespace notify {

namespace {

// Each row holds what the locale's date conversion read in tools/date_forms/measured.tsv
// (made by tools/date_forms/measure.sh under Wine): its numeric order, whether '.' joins
// a date, and whose month names it takes. Under Wine, Chinese and Japanese read numbers
// month-first like English but take no English names, and Russian took no month name.
constexpr std::array<std::wstring_view, 12> kGermanMonths = {
    L"Januar", L"Februar", L"M\u00E4rz", L"April", L"Mai", L"Juni", L"Juli", L"August", L"September", L"Oktober",
    L"November", L"Dezember"};
constexpr std::array<std::wstring_view, 12> kGermanShortMonths = {
    L"Jan", L"Feb", L"M\u00E4r", L"Apr", L"Mai", L"Jun", L"Jul", L"Aug", L"Sep", L"Okt", L"Nov", L"Dez"};
constexpr std::array<std::wstring_view, 12> kFrenchMonths = {
    L"janvier", L"f\u00E9vrier", L"mars", L"avril", L"mai", L"juin", L"juillet", L"ao\u00FBt", L"septembre", L"octobre",
    L"novembre", L"d\u00E9cembre"};
constexpr std::array<std::wstring_view, 12> kFrenchShortMonths = {
    L"janv", L"f\u00E9vr", L"mars", L"avr", L"mai", L"juin", L"juil", L"ao\u00FBt", L"sept", L"oct", L"nov", L"d\u00E9c"};

const DateLocale kDateLocales[] = {
    {L"en-US", DateOrder::MonthDayYear, false, true, {}, {}},
    {L"en-GB", DateOrder::DayMonthYear, false, true, {}, {}},
    {L"de-DE", DateOrder::DayMonthYear, true, false, kGermanMonths, kGermanShortMonths},
    {L"fr-FR", DateOrder::DayMonthYear, false, false, kFrenchMonths, kFrenchShortMonths},
    {L"ru-RU", DateOrder::DayMonthYear, true, false, {}, {}},
    {L"zh-CN", DateOrder::MonthDayYear, false, false, {}, {}},
    {L"ja-JP", DateOrder::MonthDayYear, false, false, {}, {}},
};

}  // namespace

const DateLocale* FindDateLocale(std::wstring_view name) {
  for (const DateLocale& locale : kDateLocales) {
    if (locale.name == name) return &locale;
  }
  return nullptr;
}

}  // namespace notify
