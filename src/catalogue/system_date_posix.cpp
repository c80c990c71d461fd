#include <ctime>

#include "catalogue/conversions.h"

namespace notify {

std::unique_ptr<DateParser> SystemDateParser() { return std::make_unique<PortableDateParser>(DateOrder::MonthDayYear); }

CivilDate LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace notify
