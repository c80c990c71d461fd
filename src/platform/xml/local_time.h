#pragma once
#include <string>

namespace notify::xml {

// The current local date and time as the user's locale writes it: short date, a blank,
// long time.
std::wstring LocalDateTimeText();

}  // namespace notify::xml
