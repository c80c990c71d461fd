#pragma once
// The platform's code-page converter behind encoding.h (MultiByteToWideChar on Windows,
// iconv natively). UTF-8 and UTF-16 never reach it.
#include <optional>
#include <string>
#include <string_view>

namespace notify::xml::detail {

bool IsKnownCodePage(std::wstring_view encoding);
// Nothing when the encoding is unknown or the bytes are invalid in it.
std::optional<std::wstring> DecodeCodePage(std::string_view bytes, std::wstring_view encoding);
// Nothing when the encoding is unknown; unrepresentable characters become "&#N;".
std::optional<std::string> EncodeCodePage(std::wstring_view text, std::wstring_view encoding);

// "&#N;" for one code point.
std::string CharacterReference(char32_t codePoint);

}  // namespace notify::xml::detail
