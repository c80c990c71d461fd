#include <windows.h>

#include "platform/text.h"

namespace notify {

namespace {

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Upper-cases a run in place; a mapping that would change the length leaves it as it is.
void UpperCaseRun(wchar_t* run, int length) {
  std::wstring mapped(static_cast<std::size_t>(length), L'\0');
  const int written = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, run, length, mapped.data(), length,
                                      nullptr, nullptr, 0);
  if (written == length) mapped.copy(run, static_cast<std::size_t>(length));
}

}  // namespace

// Surrogates are left alone, as the ordinal comparison leaves them: it compares code
// units, so no supplementary character has a case there.
std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  std::size_t i = 0;
  while (i < out.size()) {
    if (IsSurrogate(out[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < out.size() && !IsSurrogate(out[end]) && end - i < 0x10000) ++end;
    UpperCaseRun(out.data() + i, static_cast<int>(end - i));
    i = end;
  }
  return out;
}

wchar_t FoldCase(wchar_t c) { return FoldCase(std::wstring_view(&c, 1))[0]; }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  // Pure ASCII pairs, most identifiers, need no system call: only a..z have a case there.
  bool ascii = true;
  for (std::size_t i = 0; ascii && i < a.size(); ++i) {
    const wchar_t x = a[i];
    const wchar_t y = b[i];
    ascii = x < 0x80 && y < 0x80;
    if (ascii && x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < L'a' || (x | 0x20) > L'z')) return false;
  }
  if (ascii) return true;
  if (a.size() > 0x7FFFFFFF) return FoldCase(a) == FoldCase(b);
  const int length = static_cast<int>(a.size());
  return ::CompareStringOrdinal(a.data(), length, b.data(), length, TRUE) == CSTR_EQUAL;
}

}  // namespace notify
