#pragma once
// The user's preferred UI languages, most preferred first, as language tags ("de-AT").
#include <string>
#include <vector>

namespace notify {

// On Windows the user's own list; natively "en". Never fails: an unreadable list is empty.
std::vector<std::wstring> UserUiLanguages() noexcept;

}  // namespace notify
