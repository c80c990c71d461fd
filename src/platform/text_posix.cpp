#include <locale.h>
#include <wctype.h>

#include "platform/text.h"

namespace notify {

namespace {

// The mapping must not depend on the process's locale (the program never sets one), so
// a UTF-8 character-type locale of our own is opened once and kept.
locale_t CaseLocale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      if (locale_t opened = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) return opened;
    }
    return static_cast<locale_t>(nullptr);
  }();
  return locale;
}

}  // namespace

wchar_t FoldCase(wchar_t c) {
  // ASCII maps the same in every UTF-8 locale; most identifiers never leave it.
  if (c < 0x80) return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
  if (const locale_t locale = CaseLocale()) return static_cast<wchar_t>(::towupper_l(static_cast<wint_t>(c), locale));
  return c;  // no UTF-8 locale at all
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = FoldCase(c);
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace notify
