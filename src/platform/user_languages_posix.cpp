#include "platform/user_languages.h"

namespace notify {

std::vector<std::wstring> UserUiLanguages() noexcept { return {L"en"}; }

}  // namespace notify
