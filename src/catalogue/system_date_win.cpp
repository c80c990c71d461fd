#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <cmath>
#include <string>

#include "catalogue/conversions.h"
#include "platform/error.h"
#include "platform/text.h"

namespace notify {

namespace {

// The user's locale decides the order and the month names, as the system's date
// conversion does everywhere else.
class VariantDateParser final : public DateParser {
 public:
  explicit VariantDateParser(LCID locale) : locale_(locale) {}
  std::optional<CivilDate> Parse(std::wstring_view text) const override {
    std::wstring owned(text);
    DATE value = 0;
    if (FAILED(VarDateFromStr(owned.data(), locale_, 0, &value))) return std::nullopt;
    // Whole days since 1899-12-30; the time is the fraction's magnitude even before day 0.
    using namespace std::chrono;
    const sys_days day = sys_days(year{1899} / December / 30) + days{static_cast<long>(std::trunc(value))};
    const year_month_day ymd(day);
    return CivilDate{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day()))};
  }

 private:
  LCID locale_;
};

}  // namespace

std::unique_ptr<DateParser> SystemDateParser() { return std::make_unique<VariantDateParser>(LOCALE_USER_DEFAULT); }

std::unique_ptr<DateParser> LocaleDateParser(std::wstring_view locale) {
  const LCID lcid = ::LocaleNameToLCID(std::wstring(locale).c_str(), 0);
  if (lcid == 0) Fail("unknown locale " + ToUtf8(locale));
  return std::make_unique<VariantDateParser>(lcid);
}

CivilDate LocalToday() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CivilDate{now.wYear, now.wMonth, now.wDay};
}

}  // namespace notify
