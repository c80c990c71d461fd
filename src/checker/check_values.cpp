#include "checker/check_values.h"

#include <algorithm>

#include "catalogue/conversions.h"
#include "checker/check_part.h"
#include "platform/text.h"

namespace notify::checker {

namespace {

std::wstring Joined(const std::vector<std::wstring>& parts, const wchar_t* separator) {
  std::wstring out;
  for (const auto& part : parts) out += (out.empty() ? L"" : separator) + part;
  return out;
}

std::wstring Reading(const std::optional<CivilDate>& date) {
  if (!date) return L"no date";
  // A time alone is day zero of the system's date scale.
  if (*date == CivilDate{1899, 12, 30}) return L"a time of day (1899-12-30)";
  return DateText(*date);
}

// Letters apart after folding case: substitutions, insertions and deletions.
std::size_t Distance(const std::wstring& a, const std::wstring& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::optional<ValueFinding> JudgeDateForm(const std::wstring& name, const std::wstring& limit) {
  if (IsPlainDateForm(limit)) return std::nullopt;
  // Readings in the order of kLimitLocales, each with the locales that read it so.
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> readings;
  bool unreadable = false;
  for (const auto locale : kLimitLocales) {
    const auto date = LocaleDateParser(locale)->Parse(limit);
    unreadable |= !date;
    const std::wstring reading = Reading(date);
    auto at = std::find_if(readings.begin(), readings.end(), [&](const auto& r) { return r.first == reading; });
    if (at == readings.end()) at = readings.insert(readings.end(), {reading, {}});
    at->second.emplace_back(locale);
  }
  std::wstring message = name + L": Limit " + Quoted(limit) + L" is not written yyyy-mm-dd, so each user's locale reads it its own way: ";
  if (readings.size() == 1) {
    message += readings[0].first + L" in every locale checked (" + Joined(readings[0].second, L", ") +
               L"), but other locales may read it otherwise";
  } else {
    std::vector<std::wstring> parts;
    for (const auto& [reading, locales] : readings) parts.push_back(reading + L" in " + Joined(locales, L", "));
    message += Joined(parts, L"; ");
  }
  if (unreadable) message += L"; where it is no date, no message of the catalogue is shown";
  if (Val(limit) == 0 && !unreadable) message += L"; it does not begin with a number, so it never expires";
  if (Val(limit) == 0 && unreadable) message += L"; where it is a date, it never expires, since it does not begin with a number";
  message += L"; write it yyyy-mm-dd";
  return ValueFinding{unreadable ? Severity::Error : Severity::Warning, message};
}

std::optional<std::wstring> PathTraps(const std::wstring& name, const wchar_t* item, const PathExpansion& expansion) {
  std::vector<std::wstring> traps;
  for (const auto& macro : expansion.unknownMacros) traps.push_back(macro + L" is no path macro and stays as written");
  if (!expansion.dropped.empty()) traps.push_back(Quoted(expansion.dropped) + L" after {#P@PRT} is dropped");
  if (traps.empty() && !expansion.relative) return std::nullopt;
  std::wstring message = name + L": " + item + L" " + Quoted(expansion.text) + L": " + Joined(traps, L"; ");
  message += traps.empty() ? L"the program looks for " : L", so the program looks for ";
  message += Quoted(ShownPath(expansion.path));
  if (expansion.relative) {
    message += L" in the folder the program was started in, which is whichever folder the host started it from, "
               L"not the program folder; write {#P@CUR} before a file beside the program";
  } else if (!expansion.dropped.empty()) {
    message += L", a folder; for a file in the parent folder write {#P@CUR}..\\" + expansion.dropped;
  }
  return message;
}

std::optional<std::wstring> FileNameTraps(const std::wstring& name, const wchar_t* item, const std::wstring& text,
                                          const std::wstring& looksFor) {
  const bool macro = FindNoCase(text, L"{#P@") != std::wstring::npos;
  const bool fullPath = !IsRelativePath(text) || (text.size() >= 2 && text[1] == L':');
  if (!macro && !fullPath) return std::nullopt;
  return name + L": " + item + L" " + Quoted(text) + L" is a file name in a folder of the program, where " +
         (macro ? L"path macros are not expanded" : L"a full path does not work") + L", so the program looks for " +
         Quoted(looksFor);
}

std::optional<Resemblance> Resembling(const std::vector<std::wstring>& present, const std::wstring& wanted) {
  const std::wstring folded = FoldCase(wanted);
  for (const auto& candidate : present) {
    if (candidate != wanted && FoldCase(candidate) == folded) {
      return Resemblance{candidate, L"`" + candidate + L"`: names are case-sensitive; did you mean `" + wanted + L"`?"};
    }
  }
  // A name the catalogue uses elsewhere ("PColor" beside a missing "Color") is no misspelling.
  static const std::vector<std::wstring> kNamesInUse = {
      L"AppID", L"Defer", L"Message", L"ID", L"Limit", L"Style", L"AutoShut", L"Check", L"Uri", L"Logo",
      L"Sound", L"Form", L"Title", L"Content", L"Author", L"Date", L"BtnCls", L"BtnCfm", L"Color",
      L"PColor", L"Width", L"Height", L"Round", L"Shadow"};
  for (const auto& candidate : present) {
    const bool inUse = std::find(kNamesInUse.begin(), kNamesInUse.end(), candidate) != kNamesInUse.end();
    if (!inUse && wanted.size() > 3 && Distance(FoldCase(candidate), folded) <= 2) {
      return Resemblance{candidate, L"`" + candidate + L"`: did you mean `" + wanted + L"`?"};
    }
  }
  return std::nullopt;
}

}  // namespace notify::checker
