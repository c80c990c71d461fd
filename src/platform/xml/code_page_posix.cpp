#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/text.h"
#include "platform/xml/code_page.h"

namespace notify::xml::detail {

namespace {

// Windows decodes GB2312 with its code page 936 (GBK); do the same so both builds agree.
std::string IconvName(std::wstring_view encoding) {
  if (EqualsNoCase(encoding, L"GB2312")) return "GBK";
  return ToUtf8(encoding);
}

class IconvOwner {
 public:
  IconvOwner(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvOwner() {
    if (ok()) iconv_close(cd_);
  }
  IconvOwner(const IconvOwner&) = delete;
  IconvOwner& operator=(const IconvOwner&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsPlainName(std::wstring_view encoding) {
  if (encoding.empty() || encoding.size() > 40) return false;
  for (wchar_t c : encoding) {
    const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
                    c == L'_' || c == L'.' || c == L':';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool IsKnownCodePage(std::wstring_view encoding) {
  if (!IsPlainName(encoding)) return false;
  IconvOwner cd("WCHAR_T", IconvName(encoding));
  return cd.ok();
}

std::optional<std::wstring> DecodeCodePage(std::string_view bytes, std::wstring_view encoding) {
  if (!IsPlainName(encoding)) return std::nullopt;
  IconvOwner cd("WCHAR_T", IconvName(encoding));
  if (!cd.ok()) return std::nullopt;
  std::wstring out(bytes.size() + 1, L'\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* outPtr = reinterpret_cast<char*>(out.data());
  std::size_t outLeft = out.size() * sizeof(wchar_t);
  // One byte never yields more than one character, so a single pass fits.
  if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
  if (iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft / sizeof(wchar_t));
  return out;
}

std::optional<std::string> EncodeCodePage(std::wstring_view text, std::wstring_view encoding) {
  if (!IsPlainName(encoding)) return std::nullopt;
  IconvOwner cd(IconvName(encoding), "WCHAR_T");
  if (!cd.ok()) return std::nullopt;
  std::string out;
  // Sized to the text: saving character by character converts one character at a time.
  std::string chunk(std::min<std::size_t>(4096, text.size() * 8 + 16), '\0');
  char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
  std::size_t inLeft = text.size() * sizeof(wchar_t);
  auto flush = [&](char* outPtr) { out.append(chunk.data(), static_cast<std::size_t>(outPtr - chunk.data())); };
  while (true) {
    char* outPtr = chunk.data();
    std::size_t outLeft = chunk.size();
    const bool finishing = inLeft == 0;
    const auto rc = finishing ? iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft)
                              : iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    flush(outPtr);
    if (rc != static_cast<std::size_t>(-1)) {
      if (finishing) return out;
      continue;
    }
    if (error == E2BIG) continue;
    if (error != EILSEQ || finishing) return std::nullopt;
    wchar_t c;
    std::memcpy(&c, in, sizeof c);
    out += CharacterReference(static_cast<char32_t>(c));
    in += sizeof(wchar_t);
    inLeft -= sizeof(wchar_t);
  }
}

}  // namespace notify::xml::detail
