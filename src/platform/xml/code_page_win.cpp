#include <windows.h>
#include <mlang.h>

#include <cstdint>
#include <algorithm>
#include <string>

#include "platform/handles_win.h"
#include "platform/text.h"
#include "platform/xml/code_page.h"

namespace notify::xml::detail {

namespace {

struct NamedCodePage {
  const wchar_t* name;
  UINT codePage;
};

// MinGW's uuid library lacks this one: {DCCFC164-2B38-11D2-B7EC-00C04F8F5D9A}.
constexpr IID kIidMultiLanguage2 = {0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};

// The system's own charset table, the one its XML component and browser read declared
// names with. 0 when the name is not in it or there is no table (no COM on this thread).
UINT CodePageFromCharsetTable(std::wstring_view name) {
  if (name.empty() || name.size() > 64) return 0;
  win::ComPtr<IMultiLanguage2> table;
  if (FAILED(::CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kIidMultiLanguage2,
                                reinterpret_cast<void**>(table.put()))) ||
      !table) {
    return 0;
  }
  const win::SysFreeStringOwner bstrName(::SysAllocStringLen(name.data(), static_cast<UINT>(name.size())));
  if (!bstrName) return 0;
  MIMECSETINFO info{};
  if (table->GetCharsetInfo(bstrName.get(), &info) != S_OK) return 0;
  return info.uiInternetEncoding;
}

// Declaration names the system table may lack (Wine's lacks several), and the Windows
// code page of each.
constexpr NamedCodePage kCodePages[] = {
    {L"gb2312", 936},        {L"gbk", 936},          {L"x-gbk", 936},           {L"gb18030", 54936},
    {L"big5", 950},          {L"shift_jis", 932},    {L"shift-jis", 932},       {L"sjis", 932},
    {L"x-sjis", 932},        {L"windows-31j", 932},  {L"euc-jp", 20932},        {L"euc-kr", 949},
    {L"ks_c_5601-1987", 949}, {L"iso-2022-jp", 50220}, {L"us-ascii", 20127},    {L"ascii", 20127},
    {L"koi8-r", 20866},      {L"koi8-u", 21866},     {L"tis-620", 874},         {L"macintosh", 10000},
    {L"iso-8859-1", 28591},  {L"iso-8859-2", 28592}, {L"iso-8859-3", 28593},    {L"iso-8859-4", 28594},
    {L"iso-8859-5", 28595},  {L"iso-8859-6", 28596}, {L"iso-8859-7", 28597},    {L"iso-8859-8", 28598},
    {L"iso-8859-9", 28599},  {L"iso-8859-13", 28603}, {L"iso-8859-15", 28605},  {L"latin1", 28591},
    {L"utf-7", 65000},       {L"euc-cn", 936},       {L"x-mac-chinesesimp", 10008},
};

// "windows-1252", "cp1252", "ibm437": the number is the code page.
UINT NumberedCodePage(std::wstring_view name) {
  for (std::wstring_view prefix : {std::wstring_view(L"windows-"), std::wstring_view(L"cp"), std::wstring_view(L"ibm")}) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 5) continue;
    if (!EqualsNoCase(name.substr(0, prefix.size()), prefix)) continue;
    UINT number = 0;
    for (wchar_t c : name.substr(prefix.size())) {
      if (c < L'0' || c > L'9') return 0;
      number = number * 10 + static_cast<UINT>(c - L'0');
    }
    return number;
  }
  return 0;
}

// A code page the system converter cannot use counts as unknown.
UINT CodePageOf(std::wstring_view encoding) {
  if (const UINT fromTable = CodePageFromCharsetTable(encoding); fromTable != 0 && ::IsValidCodePage(fromTable)) {
    return fromTable;
  }
  UINT codePage = NumberedCodePage(encoding);
  for (const auto& entry : kCodePages) {
    if (EqualsNoCase(encoding, entry.name)) codePage = entry.codePage;
  }
  if (codePage == 0 || !::IsValidCodePage(codePage)) return 0;
  return codePage;
}

// These code pages refuse MB_ERR_INVALID_CHARS.
bool AcceptsStrictFlag(UINT codePage) {
  return !(codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
           (codePage >= 57002 && codePage <= 57011) || codePage == 65000);
}

std::optional<std::wstring> Decode(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return std::wstring();
  if (bytes.size() > 0x7FFFFFFF) return std::nullopt;
  const DWORD flags = AcceptsStrictFlag(codePage) ? MB_ERR_INVALID_CHARS : 0;
  const int length = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return std::nullopt;
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  if (::MultiByteToWideChar(codePage, flags, bytes.data(), length, out.data(), needed) != needed) return std::nullopt;
  return out;
}

std::optional<std::string> Encode(std::wstring_view text, UINT codePage) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::nullopt;
  std::string out(static_cast<std::size_t>(needed), '\0');
  if (::WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), needed, nullptr, nullptr) != needed) {
    return std::nullopt;
  }
  return out;
}

// Exact when decoding gives the text back; best-fit and default characters do not.
std::optional<std::string> EncodeExactly(std::wstring_view text, UINT codePage) {
  auto bytes = Encode(text, codePage);
  if (!bytes) return std::nullopt;
  const auto back = Decode(*bytes, codePage);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

std::size_t CodePointLength(std::wstring_view text, std::size_t at) {
  const bool pair = text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
                    text[at + 1] <= 0xDFFF;
  return pair ? 2 : 1;
}

char32_t CodePointAt(std::wstring_view text, std::size_t at) {
  if (CodePointLength(text, at) == 1) return static_cast<char32_t>(text[at]);
  return 0x10000 + ((static_cast<char32_t>(text[at]) - 0xD800) << 10) + (static_cast<char32_t>(text[at + 1]) - 0xDC00);
}

// Character by character, for a chunk that holds something the code page lacks.
std::string EncodeEachCodePoint(std::wstring_view text, UINT codePage) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto length = CodePointLength(text, i);
    if (const auto bytes = EncodeExactly(text.substr(i, length), codePage)) {
      out += *bytes;
    } else {
      out += CharacterReference(CodePointAt(text, i));
    }
    i += length;
  }
  return out;
}

}  // namespace

bool IsKnownCodePage(std::wstring_view encoding) { return CodePageOf(encoding) != 0; }

std::optional<std::wstring> DecodeCodePage(std::string_view bytes, std::wstring_view encoding) {
  const UINT codePage = CodePageOf(encoding);
  if (codePage == 0) return std::nullopt;
  return Decode(bytes, codePage);
}

std::optional<std::string> EncodeCodePage(std::wstring_view text, std::wstring_view encoding) {
  const UINT codePage = CodePageOf(encoding);
  if (codePage == 0) return std::nullopt;
  constexpr std::size_t kChunk = 4096;
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.size(), start + kChunk);
    if (end < text.size() && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) ++end;  // keep pairs whole
    const auto chunk = text.substr(start, end - start);
    if (const auto bytes = EncodeExactly(chunk, codePage)) {
      out += *bytes;
    } else {
      out += EncodeEachCodePoint(chunk, codePage);
    }
    start = end;
  }
  return out;
}

}  // namespace notify::xml::detail
