#include "platform/registry.h"

#include <cwctype>
#include <type_traits>

#include "platform/error.h"
#include "platform/file_version.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace notify {
namespace {

constexpr std::int64_t kDwordMax = 4294967295LL;
// Anything past this is out of a DWORD's range anyway; it keeps the parse from overflowing.
constexpr std::int64_t kParseCeiling = kDwordMax + 1;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A whole number written as text; nothing when the text is no number.
std::optional<std::int64_t> ParseWhole(std::wstring_view text) {
  const auto trimmed = Trim(text);
  std::wstring_view rest = trimmed;
  bool negative = false;
  if (!rest.empty() && (rest.front() == L'-' || rest.front() == L'+')) {
    negative = rest.front() == L'-';
    rest.remove_prefix(1);
  }
  if (rest.empty()) return std::nullopt;
  std::int64_t number = 0;
  for (const wchar_t c : rest) {
    if (!IsDigit(c)) return std::nullopt;
    if (number < kParseCeiling) number = number * 10 + (c - L'0');
  }
  return negative ? -number : number;
}

std::wstring TextOf(const RegValue& value) {
  if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_wstring(*number);
  return {};
}

std::optional<std::int64_t> NumberOf(const RegValue& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* text = std::get_if<std::wstring>(&value)) return ParseWhole(*text);
  return std::nullopt;
}

RegEncoding EncodeText(const RegValue& value, const AnsiEncoder& toAnsi) {
  const auto ansi = toAnsi(TextOf(value));
  RegEncoding encoding{RegEncodingKind::Write, std::vector<std::uint8_t>(ansi.begin(), ansi.end())};
  encoding.bytes.push_back(0);
  return encoding;
}

RegEncoding EncodeBinary(const RegValue& value) {
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) return {RegEncodingKind::Write, *bytes};
  return {RegEncodingKind::Write, {}};
}

RegEncoding EncodeDword(const RegValue& value) {
  const auto number = NumberOf(value).value_or(0);
  if (number < 0 || number > kDwordMax) return {RegEncodingKind::Refuse, {}};
  const auto dword = static_cast<std::uint32_t>(number);
  return {RegEncodingKind::Write,
          {static_cast<std::uint8_t>(dword & 0xFF), static_cast<std::uint8_t>((dword >> 8) & 0xFF),
           static_cast<std::uint8_t>((dword >> 16) & 0xFF), static_cast<std::uint8_t>((dword >> 24) & 0xFF)}};
}

}  // namespace

RegEncoding EncodeRegValue(const RegValue& value, std::uint32_t type, const AnsiEncoder& toAnsi) {
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegMultiSz:  // the caller supplies the inner NULs; one terminating NUL is added
      return EncodeText(value, toAnsi);
    case kRegBinary: return EncodeBinary(value);
    case kRegDword: return EncodeDword(value);
    default: return {RegEncodingKind::Skip, {}};
  }
}

int ExplorerVersionNumber(std::wstring_view versionText) {
  int number = 0;
  for (const wchar_t c : versionText.substr(0, 3)) {
    if (c == L'.') continue;
    if (!IsDigit(c)) break;
    number = number * 10 + (c - L'0');
  }
  return number;
}

bool ExplorerVersionWantsRecord(std::wstring_view versionText) { return ExplorerVersionNumber(versionText) >= 60; }

std::wstring CompatibilityValueName() { return AddTrailingBackslash(ProgramFolder()) + ExecutableBaseName() + L".exe"; }

void MarkCompatibilityPersisted() noexcept {
  TrapVoid([] {
    const auto windows = SpecialFolderPath(kCsidlWindows);
    if (windows.empty()) return;  // "explorer.exe" alone would be looked up relative to the working folder
    if (!ExplorerVersionWantsRecord(GetFileVersion(windows + L"explorer.exe"))) return;
    static_cast<void>(RegWriteValue(RegRoot::CurrentUser, std::wstring(kCompatibilityPersistedKey),
                                    CompatibilityValueName(), RegValue(std::int64_t{1}), kRegDword));
  });
}

}  // namespace notify
