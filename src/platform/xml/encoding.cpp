#include "platform/xml/encoding.h"

#include <cstdint>
#include <unordered_map>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/code_page.h"

namespace notify::xml {

namespace {

enum class Utf16Order { Little, Big };
using Utf32Order = Utf16Order;

bool IsUtf8Name(std::wstring_view name) { return EqualsNoCase(name, L"UTF-8") || EqualsNoCase(name, L"UTF8"); }

// "UTF-16" with no order named means little-endian, as Windows writes it.
std::optional<Utf16Order> Utf16NameOrder(std::wstring_view name) {
  for (auto n : {L"UTF-16", L"UTF16", L"UTF-16LE", L"UCS-2", L"UNICODE"}) {
    if (EqualsNoCase(name, n)) return Utf16Order::Little;
  }
  if (EqualsNoCase(name, L"UTF-16BE")) return Utf16Order::Big;
  return std::nullopt;
}

// UTF-32 is no Windows code page, so both builds convert it here. No order named means
// little-endian, as for UTF-16.
std::optional<Utf32Order> Utf32NameOrder(std::wstring_view name) {
  for (auto n : {L"UTF-32", L"UTF32", L"UTF-32LE", L"UCS-4", L"UCS-4LE"}) {
    if (EqualsNoCase(name, n)) return Utf32Order::Little;
  }
  if (EqualsNoCase(name, L"UTF-32BE") || EqualsNoCase(name, L"UCS-4BE")) return Utf32Order::Big;
  return std::nullopt;
}

std::optional<std::wstring> DecodeUtf32(std::string_view bytes, Utf32Order order) {
  if (bytes.size() % 4 != 0) return std::nullopt;
  std::wstring out;
  out.reserve(bytes.size() / 4);
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    char32_t u = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const auto b = static_cast<char32_t>(static_cast<unsigned char>(bytes[i + (order == Utf32Order::Big ? k : 3 - k)]));
      u = (u << 8) | b;
    }
    if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return std::nullopt;
    AppendCodePoint(out, u);
  }
  return out;
}

std::string EncodeUtf32(std::wstring_view text, Utf32Order order) {
  std::string out;
  out.reserve(text.size() * 4 + 4);
  auto put = [&](char32_t u) {
    for (std::size_t k = 0; k < 4; ++k) {
      const auto shift = order == Utf32Order::Big ? 24 - 8 * k : 8 * k;
      out.push_back(static_cast<char>((u >> shift) & 0xFF));
    }
  };
  put(0xFEFF);
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto cp = static_cast<char32_t>(static_cast<std::uint32_t>(text[i]));
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const auto low = static_cast<char32_t>(static_cast<std::uint32_t>(text[i + 1]));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    put(cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp);
  }
  return out;
}

// HZ (RFC 1843): GB2312 in 7-bit bytes between "~{" and "~}". Neither Wine's code pages
// nor glibc's iconv read it, so both builds convert it here over their GB2312.
bool IsHzName(std::wstring_view name) { return EqualsNoCase(name, L"HZ-GB-2312") || EqualsNoCase(name, L"HZ"); }

std::optional<std::wstring> DecodeHz(std::string_view bytes) {
  std::wstring out;
  std::string gb;  // the current run of GB2312 pairs, high bits restored
  bool inGb = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) return std::nullopt;
    if (c == '~' && i + 1 < bytes.size()) {
      const char next = bytes[++i];
      if (!inGb && next == '~') {
        out.push_back(L'~');
      } else if (!inGb && next == '{') {
        inGb = true;
      } else if (inGb && next == '}') {
        const auto run = detail::DecodeCodePage(gb, L"GB2312");
        if (!run) return std::nullopt;
        out += *run;
        gb.clear();
        inGb = false;
      } else if (!(!inGb && next == '\n')) {  // "~" + line feed joins lines
        return std::nullopt;
      }
    } else if (c == '~') {
      return std::nullopt;
    } else if (inGb) {
      if (c < 0x21 || c > 0x7E) return std::nullopt;
      gb.push_back(static_cast<char>(c | 0x80));
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  if (inGb) return std::nullopt;
  return out;
}

std::string EncodeHz(std::wstring_view text) {
  std::string out;
  bool inGb = false;
  auto leaveGb = [&] {
    if (inGb) out += "~}";
    inGb = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c < 0x80) {
      leaveGb();
      out += c == L'~' ? "~~" : std::string(1, static_cast<char>(c));
      continue;
    }
    const auto bytes = detail::EncodeCodePage(text.substr(i, 1), L"GB2312");
    const bool pair = bytes && bytes->size() == 2 && static_cast<unsigned char>((*bytes)[0]) >= 0xA1 &&
                      static_cast<unsigned char>((*bytes)[0]) <= 0xF7 && static_cast<unsigned char>((*bytes)[1]) >= 0xA1 &&
                      static_cast<unsigned char>((*bytes)[1]) <= 0xFE;
    if (pair) {
      if (!inGb) out += "~{";
      inGb = true;
      out.push_back(static_cast<char>((*bytes)[0] & 0x7F));
      out.push_back(static_cast<char>((*bytes)[1] & 0x7F));
      continue;
    }
    leaveGb();
    auto cp = static_cast<char32_t>(static_cast<std::uint32_t>(c));
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(static_cast<std::uint32_t>(text[i + 1])) - 0xDC00);
      ++i;
    }
    out += detail::CharacterReference(cp);
  }
  leaveGb();
  return out;
}

std::optional<std::wstring> DecodeUtf16(std::string_view bytes, Utf16Order order) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(order == Utf16Order::Little ? a | (b << 8) : (a << 8) | b);
  };
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const char32_t u = unit(i);
    if (u >= 0xDC00 && u <= 0xDFFF) return std::nullopt;
    if (u < 0xD800 || u > 0xDBFF) {
      AppendCodePoint(out, u);
      continue;
    }
    if (i + 2 >= bytes.size()) return std::nullopt;
    const char32_t low = unit(i + 2);
    if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
    AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
    i += 2;
  }
  return out;
}

std::string EncodeUtf16(std::wstring_view text, Utf16Order order) {
  std::string out;
  out.reserve(text.size() * 2 + 2);
  auto put = [&](char32_t u) {
    const auto lo = static_cast<char>(u & 0xFF);
    const auto hi = static_cast<char>((u >> 8) & 0xFF);
    if (order == Utf16Order::Little) {
      out.push_back(lo);
      out.push_back(hi);
    } else {
      out.push_back(hi);
      out.push_back(lo);
    }
  };
  put(0xFEFF);
  for (wchar_t c : text) {
    auto cp = static_cast<char32_t>(static_cast<std::uint32_t>(c));
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp > 0x10FFFF ? 0xFFFD : cp);
    }
  }
  return out;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

// The declaration of an 8-bit file, widened byte by byte (it is ASCII by definition).
std::wstring AsciiDeclaration(std::string_view bytes) {
  if (!StartsWith(bytes, "<?xml")) return {};
  const auto end = bytes.substr(0, 1024).find("?>");
  if (end == std::string_view::npos) return {};
  std::wstring out;
  for (char c : bytes.substr(5, end - 5)) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

// Converters may write several characters as one byte sequence (Shift_JIS gives U+FFE1 the
// bytes of U+00A3). A text that does not read back as itself is written again character by
// character, and each character that does not come back unchanged as a reference.
std::optional<std::string> EncodeCodePageExactly(std::wstring_view text, std::wstring_view encoding) {
  auto bytes = detail::EncodeCodePage(text, encoding);
  if (!bytes || detail::DecodeCodePage(*bytes, encoding) == text) return bytes;
  std::string out;
  std::unordered_map<std::wstring, std::string> written;  // few distinct characters repeat often
  for (std::size_t i = 0; i < text.size();) {
    const auto unit = static_cast<std::uint32_t>(text[i]);
    // A UTF-16 surrogate pair is one character (Windows); natively every unit is one.
    const bool pair = sizeof(wchar_t) == 2 && unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size();
    const std::wstring one(text.substr(i, pair ? 2 : 1));
    i += one.size();
    if (const auto known = written.find(one); known != written.end()) {
      out += known->second;
      continue;
    }
    auto encoded = detail::EncodeCodePage(one, encoding);
    if (!encoded || detail::DecodeCodePage(*encoded, encoding) != one) {
      const char32_t codePoint =
          pair ? 0x10000 + ((unit - 0xD800) << 10) + (static_cast<std::uint32_t>(one[1]) - 0xDC00) : unit;
      encoded = detail::CharacterReference(codePoint);
    }
    out += *encoded;
    written.emplace(one, std::move(*encoded));
  }
  return out;
}

}  // namespace

namespace detail {
std::string CharacterReference(char32_t codePoint) {
  return "&#" + std::to_string(static_cast<std::uint32_t>(codePoint)) + ";";
}
}  // namespace detail

bool IsKnownEncoding(std::wstring_view encoding) {
  return IsUtf8Name(encoding) || Utf16NameOrder(encoding) || Utf32NameOrder(encoding) || IsHzName(encoding) ||
         detail::IsKnownCodePage(encoding);
}

std::optional<std::wstring> DecodeBytes(std::string_view bytes, std::wstring_view encoding) {
  if (IsUtf8Name(encoding)) {
    // FromUtf8 replaces invalid sequences; a lossless round trip proves there were none.
    std::wstring text = FromUtf8(bytes);
    if (ToUtf8(text) != bytes) return std::nullopt;
    return text;
  }
  if (const auto order = Utf16NameOrder(encoding)) return DecodeUtf16(bytes, *order);
  if (const auto order = Utf32NameOrder(encoding)) return DecodeUtf32(bytes, *order);
  if (IsHzName(encoding)) return DecodeHz(bytes);
  return detail::DecodeCodePage(bytes, encoding);
}

std::string EncodeText(std::wstring_view text, std::wstring_view encoding) {
  if (IsUtf8Name(encoding)) return ToUtf8(text);
  if (const auto order = Utf16NameOrder(encoding)) return EncodeUtf16(text, *order);
  if (const auto order = Utf32NameOrder(encoding)) return EncodeUtf32(text, *order);
  if (IsHzName(encoding)) return EncodeHz(text);
  auto bytes = EncodeCodePageExactly(text, encoding);
  if (!bytes) Fail("unknown encoding: " + ToUtf8(encoding));
  return std::move(*bytes);
}

bool EncodesExactly(std::wstring_view text, std::wstring_view encoding) {
  if (IsUtf8Name(encoding) || Utf16NameOrder(encoding) || Utf32NameOrder(encoding)) return true;
  if (!IsKnownEncoding(encoding)) return false;
  return DecodeBytes(EncodeText(text, encoding), encoding) == text;
}

bool IsReadableFileEncoding(std::wstring_view encoding) {
  if (IsUtf8Name(encoding) || Utf16NameOrder(encoding) || Utf32NameOrder(encoding)) return true;
  if (!IsKnownEncoding(encoding)) return false;
  // Every ASCII character markup and a declaration are written with (not '~' or '\\',
  // which some Japanese code pages give other meanings and references then carry).
  static constexpr std::string_view kMarkup =
      "<?xml version=\"1.0\" encoding='-_.:'?><!--!#$%&()*+,/;=@[]^`{|}-->\r\n\t "
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  return EncodeText(std::wstring(kMarkup.begin(), kMarkup.end()), encoding) == kMarkup;
}

std::wstring DeclaredEncoding(std::wstring_view data) {
  const auto at = data.find(L"encoding");
  if (at == std::wstring_view::npos) return {};
  auto pos = at + 8;
  while (pos < data.size() && (data[pos] == L' ' || data[pos] == L'\t' || data[pos] == L'\r' || data[pos] == L'\n')) ++pos;
  if (pos >= data.size() || data[pos] != L'=') return {};
  ++pos;
  while (pos < data.size() && (data[pos] == L' ' || data[pos] == L'\t' || data[pos] == L'\r' || data[pos] == L'\n')) ++pos;
  if (pos >= data.size() || (data[pos] != L'"' && data[pos] != L'\'')) return {};
  const auto close = data.find(data[pos], pos + 1);
  if (close == std::wstring_view::npos) return {};
  return std::wstring(data.substr(pos + 1, close - pos - 1));
}

std::wstring DetectXmlEncoding(std::string_view bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return L"UTF-8";
  if (StartsWith(bytes, std::string_view("\xFF\xFE\0\0", 4))) return L"UTF-32LE";
  if (StartsWith(bytes, std::string_view("\0\0\xFE\xFF", 4))) return L"UTF-32BE";
  if (StartsWith(bytes, std::string_view("<\0\0\0?\0\0\0", 8))) return L"UTF-32LE";
  if (StartsWith(bytes, std::string_view("\0\0\0<\0\0\0?", 8))) return L"UTF-32BE";
  if (StartsWith(bytes, "\xFF\xFE")) return L"UTF-16LE";
  if (StartsWith(bytes, "\xFE\xFF")) return L"UTF-16BE";
  if (StartsWith(bytes, std::string_view("<\0?\0", 4))) return L"UTF-16LE";
  if (StartsWith(bytes, std::string_view("\0<\0?", 4))) return L"UTF-16BE";
  const auto declared = DeclaredEncoding(AsciiDeclaration(bytes));
  // A declaration read from 8-bit bytes cannot truthfully say UTF-16 or UTF-32.
  if (declared.empty() || Utf16NameOrder(declared) || Utf32NameOrder(declared)) return L"UTF-8";
  return declared;
}

std::optional<std::wstring> DecodeXmlBytes(std::string_view bytes) {
  const auto encoding = DetectXmlEncoding(bytes);
  if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  else if (StartsWith(bytes, std::string_view("\xFF\xFE\0\0", 4)) || StartsWith(bytes, std::string_view("\0\0\xFE\xFF", 4)))
    bytes.remove_prefix(4);
  else if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) bytes.remove_prefix(2);
  return DecodeBytes(bytes, encoding);
}

}  // namespace notify::xml
