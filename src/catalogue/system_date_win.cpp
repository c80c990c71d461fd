#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <cmath>
#include <string>

#include "catalogue/conversions.h"

namespace notify {

namespace {

// The user's locale decides the order and the month names, as the system's date
// conversion does everywhere else.
class VariantDateParser final : public DateParser {
 public:
  std::optional<CivilDate> Parse(std::wstring_view text) const override {
    std::wstring owned(text);
    DATE value = 0;
    if (FAILED(VarDateFromStr(owned.data(), LOCALE_USER_DEFAULT, 0, &value))) return std::nullopt;
    // Whole days since 1899-12-30; the time is the fraction's magnitude even before day 0.
    using namespace std::chrono;
    const sys_days day = sys_days(year{1899} / December / 30) + days{static_cast<long>(std::trunc(value))};
    const year_month_day ymd(day);
    return CivilDate{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day()))};
  }
};

}  // namespace

std::unique_ptr<DateParser> SystemDateParser() { return std::make_unique<VariantDateParser>(); }

CivilDate LocalToday() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CivilDate{now.wYear, now.wMonth, now.wDay};
}

}  // namespace notify
