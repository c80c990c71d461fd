// Reads one Limit text per line (UTF-8) and prints it with the date that the program's own
// date conversion makes of it in the user's locale, or "-" when it is no date there.
// Run once per locale by measure.sh; Wine fixes the user locale when its server starts.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "catalogue/conversions.h"
#include "platform/text.h"

int main() {
  wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
  ::GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
  std::printf("locale\t%s\n", notify::ToUtf8(locale).c_str());
  const auto dates = notify::SystemDateParser();
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto date = dates->Parse(notify::FromUtf8(line));
    char shown[16] = "-";
    if (date) std::snprintf(shown, sizeof shown, "%04d-%02d-%02d", date->Year, date->Month, date->Day);
    std::printf("%s\t%s\n", line.c_str(), shown);
  }
  return 0;
}
