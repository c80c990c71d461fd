#include <windows.h>

#include <iterator>

#include "platform/xml/local_time.h"

namespace notify::xml {

namespace {

template <class Format>
std::wstring Formatted(Format format) {
  wchar_t text[128];
  const int length = format(text, static_cast<int>(std::size(text)));
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace

std::wstring LocalDateTimeText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const auto date = Formatted([&](wchar_t* out, int size) {
    return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, out, size);
  });
  const auto time = Formatted(
      [&](wchar_t* out, int size) { return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, out, size); });
  return date + L" " + time;
}

}  // namespace notify::xml
