#include <windows.h>

#include "platform/user_languages.h"

namespace notify {

std::vector<std::wstring> UserUiLanguages() noexcept {
  try {
    ULONG count = 0;
    ULONG size = 0;
    if (!::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) return {};
    std::wstring buffer(size, L'\0');
    if (!::GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, buffer.data(), &size)) return {};
    // A list of strings, each ended by a null, the list ended by one more.
    std::vector<std::wstring> languages;
    for (std::size_t at = 0; at < buffer.size() && buffer[at] != L'\0';) {
      const std::size_t end = buffer.find(L'\0', at);
      languages.push_back(buffer.substr(at, end - at));
      at = end + 1;
    }
    return languages;
  } catch (...) {
    return {};
  }
}

}  // namespace notify
