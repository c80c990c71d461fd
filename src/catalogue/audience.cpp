#include "catalogue/audience.h"

#include <algorithm>
#include <chrono>
#include <cwctype>

#include "platform/error.h"
#include "platform/text.h"

namespace notify {

namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring_view Primary(std::wstring_view tag) { return tag.substr(0, tag.find(L'-')); }

}  // namespace

std::optional<DottedVersion> ParseVersion(std::wstring_view text) {
  DottedVersion version{};
  std::size_t part = 0;
  std::size_t at = 0;
  while (true) {
    if (part == version.size() || at >= text.size() || !IsAsciiDigit(text[at])) return std::nullopt;
    std::uint32_t value = 0;
    for (; at < text.size() && IsAsciiDigit(text[at]); ++at) {
      value = value * 10 + static_cast<std::uint32_t>(text[at] - L'0');
      if (value > 0xFFFF) return std::nullopt;
    }
    version[part++] = static_cast<std::uint16_t>(value);
    if (at == text.size()) return version;
    if (text[at++] != L'.') return std::nullopt;
  }
}

DottedVersion VersionFromText(std::wstring_view text) {
  const auto version = ParseVersion(Trim(text));
  if (!version) Fail("Type mismatch");
  return *version;
}

std::wstring VersionText(const DottedVersion& version) {
  std::wstring text;
  for (const auto part : version) text += (text.empty() ? L"" : L".") + std::to_wstring(part);
  return text;
}

std::vector<std::wstring> LanguageTags(std::wstring_view text) {
  std::vector<std::wstring> tags;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && std::iswspace(text[at])) ++at;
    const std::size_t start = at;
    while (at < text.size() && !std::iswspace(text[at])) ++at;
    if (at > start) tags.emplace_back(text.substr(start, at - start));
  }
  return tags;
}

bool LanguageMatches(std::wstring_view tag, std::wstring_view userLanguage) {
  if (tag.find(L'-') != std::wstring_view::npos) {
    // A region asks for that region: "zh-CN" is met by "zh-CN" and by "zh-CN-x", not by "zh".
    if (!EqualsNoCase(userLanguage.substr(0, tag.size()), tag)) return false;
    return userLanguage.size() == tag.size() || userLanguage[tag.size()] == L'-';
  }
  return EqualsNoCase(Primary(userLanguage), tag);
}

bool IsWellFormedLanguageTag(std::wstring_view tag) {
  std::size_t at = 0;
  bool first = true;
  while (true) {
    const std::size_t end = std::min(tag.find(L'-', at), tag.size());
    const std::wstring_view subtag = tag.substr(at, end - at);
    const bool letters = std::all_of(subtag.begin(), subtag.end(), IsAsciiLetter);
    const bool alphanumeric =
        std::all_of(subtag.begin(), subtag.end(), [](wchar_t c) { return IsAsciiLetter(c) || IsAsciiDigit(c); });
    if (first ? !(letters && subtag.size() >= 2 && subtag.size() <= 3)
              : !(alphanumeric && subtag.size() >= 1 && subtag.size() <= 8)) {
      return false;
    }
    if (end == tag.size()) return true;
    at = end + 1;
    first = false;
  }
}

Audience StartRule(const MsgRecord& record, const AudienceContext& context) {
  return record.Start && context.today < *record.Start ? Audience::NotYet : Audience::Due;
}

Audience LanguageAndVersionRules(const MsgRecord& record, const AudienceContext& context) {
  if (!record.Lang.empty()) {
    const bool spoken = std::any_of(record.Lang.begin(), record.Lang.end(), [&](const std::wstring& tag) {
      return std::any_of(context.languages.begin(), context.languages.end(),
                         [&](const std::wstring& user) { return LanguageMatches(tag, user); });
    });
    if (!spoken) return Audience::OtherLanguage;
  }
  if (record.MinVersion || record.BelowVersion) {
    if (!context.programVersion) return Audience::OtherVersion;
    if (record.MinVersion && *context.programVersion < *record.MinVersion) return Audience::OtherVersion;
    if (record.BelowVersion && !(*context.programVersion < *record.BelowVersion)) return Audience::OtherVersion;
  }
  return Audience::Due;
}

Held PacingRule(const Pacing& pacing, std::int32_t shownSoFar, const PacingClock& clock) {
  if (pacing.minHours && clock.lastShown && clock.now < HeldUntil(pacing, clock)) return Held::Hours;
  if (pacing.maxPerRun && shownSoFar >= *pacing.maxPerRun) return Held::PerRun;
  return Held::No;
}

std::size_t PacedCount(const Pacing& pacing, std::int32_t shownSoFar, const PacingClock& clock, std::size_t arriving) {
  std::size_t let = 0;
  while (let < arriving && PacingRule(pacing, shownSoFar + static_cast<std::int32_t>(let), clock) == Held::No) ++let;
  return let;
}

std::int64_t HeldUntil(const Pacing& pacing, const PacingClock& clock) {
  if (!pacing.minHours || !clock.lastShown) return clock.now;
  return *clock.lastShown + std::int64_t{*pacing.minHours} * 3600;
}

std::int64_t SecondsSince1970() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace notify
