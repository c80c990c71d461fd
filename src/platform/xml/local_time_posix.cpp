#include <ctime>

#include "platform/text.h"
#include "platform/xml/local_time.h"

namespace notify::xml {

std::wstring LocalDateTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return {};
  char text[64];
  const auto length = std::strftime(text, sizeof text, "%x %X", &local);
  return FromUtf8(std::string_view(text, length));
}

}  // namespace notify::xml
