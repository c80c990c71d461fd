#include "platform/utc_time.h"

#include <chrono>
#include <cstdio>
#include <iterator>

#include "platform/text.h"

namespace notify {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// `count` decimal digits at `at`, or -1.
int Digits(std::wstring_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return -1;
    value = value * 10 + (text[i] - L'0');
  }
  return value;
}

constexpr std::wstring_view kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                         L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

}  // namespace

std::wstring FormatUtcTime(std::int64_t secondsSince1970) {
  const std::int64_t days = secondsSince1970 >= 0 ? secondsSince1970 / kSecondsPerDay
                                                  : -((-secondsSince1970 + kSecondsPerDay - 1) / kSecondsPerDay);
  const std::int64_t inDay = secondsSince1970 - days * kSecondsPerDay;
  const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(days))};
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                static_cast<int>(inDay % 60));
  return FromUtf8(text);
}

std::optional<std::int64_t> ParseUtcTime(std::wstring_view text) {
  if (text.size() != 20 || text[4] != L'-' || text[7] != L'-' || text[10] != L'T' || text[13] != L':' ||
      text[16] != L':' || text[19] != L'Z') {
    return std::nullopt;
  }
  const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const int hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                        std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok()) return std::nullopt;  // 31 April
  const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
  return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::optional<std::int64_t> ParseHttpDate(std::wstring_view text) {
  if (text.size() != 29 || text[3] != L',' || text[4] != L' ' || text[7] != L' ' || text[11] != L' ' ||
      text[16] != L' ' || text.substr(25) != L" GMT") {
    return std::nullopt;
  }
  const std::wstring_view month = text.substr(8, 3);
  for (std::size_t m = 0; m < std::size(kMonths); ++m) {
    if (kMonths[m] != month) continue;
    const std::wstring number = (m < 9 ? L"0" : L"") + std::to_wstring(m + 1);
    return ParseUtcTime(std::wstring(text.substr(12, 4)) + L"-" + number + L"-" + std::wstring(text.substr(5, 2)) +
                        L"T" + std::wstring(text.substr(17, 8)) + L"Z");
  }
  return std::nullopt;
}

}  // namespace notify
