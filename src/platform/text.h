#pragma once
// Text inside the module is std::wstring: UTF-16 on Windows, UTF-32 in the native build.
// Comparisons "without regard to case" use the platform's own case mapping, so every
// cased script folds: the system's ordinal case-insensitive comparison on Windows, the C
// library's wide-character mapping under a UTF-8 locale natively.
#include <cstddef>
#include <string>
#include <string_view>

namespace notify {

// Leading and trailing U+0020 only, as the catalogue's trimming rule says.
std::wstring Trim(std::wstring_view text);

// The case fold: each unit upper-cased by the platform's simple mapping, so that
// EqualsNoCase(a, b) exactly when FoldCase(a) == FoldCase(b) (what the seen-ID hash keys
// on). The fold is upper case: ASCII letters fold to 'A'..'Z'.
wchar_t FoldCase(wchar_t c);
std::wstring FoldCase(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
// Position of needle in text at or after `from`, without regard to case; npos if absent.
std::size_t FindNoCase(std::wstring_view text, std::wstring_view needle, std::size_t from = 0);
std::wstring ReplaceAllNoCase(std::wstring_view text, std::wstring_view what, std::wstring_view with);
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view what, std::wstring_view with);

// Appends one Unicode code point: a surrogate pair on Windows, one unit natively.
void AppendCodePoint(std::wstring& out, char32_t codePoint);

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);

}  // namespace notify
