#include <ctime>

#include "catalogue/conversions.h"
#include "platform/error.h"
#include "platform/text.h"

namespace notify {

std::unique_ptr<DateParser> SystemDateParser() { return LocaleDateParser(L"en-US"); }

std::unique_ptr<DateParser> LocaleDateParser(std::wstring_view locale) {
  const DateLocale* model = FindDateLocale(locale);
  if (model == nullptr) Fail("no date model for the locale " + ToUtf8(locale));
  return std::make_unique<PortableDateParser>(*model);
}

CivilDate LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace notify
