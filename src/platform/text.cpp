#include "platform/text.h"

namespace notify {

std::wstring Trim(std::wstring_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] == L' ') ++first;
  while (last > first && text[last - 1] == L' ') --last;
  return std::wstring(text.substr(first, last - first));
}

std::size_t FindNoCase(std::wstring_view text, std::wstring_view needle, std::size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::wstring_view::npos;
  if (needle.size() > text.size()) return std::wstring_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    if (EqualsNoCase(text.substr(i, needle.size()), needle)) return i;
  }
  return std::wstring_view::npos;
}

namespace {
template <class Finder>
std::wstring ReplaceWith(std::wstring_view text, std::wstring_view what, std::wstring_view with, Finder find) {
  if (what.empty()) return std::wstring(text);
  std::wstring out;
  std::size_t pos = 0;
  for (std::size_t hit = find(text, what, 0); hit != std::wstring_view::npos; hit = find(text, what, pos)) {
    out.append(text.substr(pos, hit - pos));
    out.append(with);
    pos = hit + what.size();
  }
  out.append(text.substr(pos));
  return out;
}
}  // namespace

std::wstring ReplaceAllNoCase(std::wstring_view text, std::wstring_view what, std::wstring_view with) {
  return ReplaceWith(text, what, with, [](std::wstring_view t, std::wstring_view w, std::size_t from) {
    return FindNoCase(t, w, from);
  });
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view what, std::wstring_view with) {
  return ReplaceWith(text, what, with, [](std::wstring_view t, std::wstring_view w, std::size_t from) {
    return t.find(w, from);
  });
}

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto cp = static_cast<unsigned long>(text[i]) & 0xFFFFFFFFUL;
    if constexpr (sizeof(wchar_t) == 2) {
      cp &= 0xFFFF;
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
        const auto lo = static_cast<unsigned long>(text[i + 1]) & 0xFFFF;
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          ++i;
        }
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
    if (cp > 0x10FFFF) cp = 0xFFFD;
    auto put = [&out](unsigned long v) { out.push_back(static_cast<char>(v)); };
    if (cp < 0x80) {
      put(cp);
    } else if (cp < 0x800) {
      put(0xC0 | (cp >> 6));
      put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      put(0xE0 | (cp >> 12));
      put(0x80 | ((cp >> 6) & 0x3F));
      put(0x80 | (cp & 0x3F));
    } else {
      put(0xF0 | (cp >> 18));
      put(0x80 | ((cp >> 12) & 0x3F));
      put(0x80 | ((cp >> 6) & 0x3F));
      put(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

void AppendCodePoint(std::wstring& out, char32_t codePoint) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (codePoint >= 0x10000) {
      const char32_t offset = codePoint - 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (offset >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(codePoint));
}

std::wstring FromUtf8(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  auto append = [&out](unsigned long cp) { AppendCodePoint(out, static_cast<char32_t>(cp)); };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const int extra = b0 < 0x80 ? 0 : (b0 >> 5) == 0x6 ? 1 : (b0 >> 4) == 0xE ? 2 : (b0 >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= bytes.size()) {
      append(0xFFFD);
      ++i;
      continue;
    }
    unsigned long cp = extra == 0 ? b0 : (b0 & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      if ((b & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    const unsigned long minimum[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      append(0xFFFD);
      ++i;
      continue;
    }
    append(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace notify
