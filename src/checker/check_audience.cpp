#include "checker/check_audience.h"

#include <optional>

#include "catalogue/audience.h"
#include "platform/text.h"
#include "platform/utc_time.h"

namespace notify::checker {

// Seconds since 1970 UTC as YYYY-MM-DD hh:mm UTC.
std::wstring AudienceChecker::TimeText(std::int64_t seconds) {
  const std::wstring utc = FormatUtcTime(seconds);  // YYYY-MM-DDThh:mm:ssZ
  return utc.substr(0, 10) + L" " + utc.substr(11, 5) + L" UTC";
}

// The audience's decisions, as notes that say when or for whom the message would show.
void AudienceChecker::ReportDecision(std::int32_t index, MessageResult& result) {
  const std::size_t message = MessageElement(index);
  const std::wstring name = MessageName(result.id, index + 1) + L": ";
  switch (result.decision) {
    case Decision::NotYet:
      return AddCatalogue(Severity::Note, "not-yet", catalogue_.Attribute(message, L"Start"),
                          name + L"it shows from its Start " + result.detail + L" on (today is " +
                              DateText(options_.today) + L")");
    case Decision::OtherLanguage:
      if (result.detail.empty()) result.detail = L"none";
      return AddCatalogue(Severity::Note, "other-language", catalogue_.Attribute(message, L"Lang"),
                          name + L"none of its languages is one of the user's (" + result.detail + L")");
    case Decision::OtherVersion:
      if (result.detail.empty()) result.detail = L"unknown";
      return AddCatalogue(Severity::Note, "other-version", catalogue_.Attribute(message, L"MinVersion"),
                          name + L"the host program's version (" + result.detail + L") is outside its range");
    case Decision::Held: {
      const bool perRun = result.detail == L"MaxPerRun";
      result.detail = perRun ? L"MaxPerRun" : L"MinHours, until " + TimeText(std::stoll(result.detail.substr(9)));
      return AddCatalogue(Severity::Note, "held", catalogue_.Attribute(catalogue_.Root(), perRun ? L"MaxPerRun" : L"MinHours"),
                          name + L"held by " + result.detail + L"; it shows in a later run");
    }
    default: return;
  }
}

// Values that convert but cannot be meant: they make a message show to no one.
void AudienceChecker::ReportValues(const Collector& collector) {
  const auto root = collector.attributes.find(-1);
  const bool program = root != collector.attributes.end() && root->second.contains(L"Program");
  for (const auto& entry : collector.attributes) {
    const auto index = entry.first;
    const auto& read = entry.second;  // named apart: clang's lambdas cannot capture a structured binding
    if (index < 0) continue;
    const auto decided = collector.decisions.find(index);
    const std::wstring name =
        MessageName(decided == collector.decisions.end() ? std::wstring() : decided->second.id, index + 1) + L": ";
    const std::size_t message = MessageElement(index);
    const auto text = [&](const wchar_t* item) -> std::optional<std::wstring> {
      const auto found = read.find(item);
      if (found == read.end()) return std::nullopt;
      return Trim(found->second);
    };
    const auto date = [&](const wchar_t* item) {
      const auto value = text(item);
      return value && options_.dates ? options_.dates->Parse(*value) : std::nullopt;
    };
    const auto start = date(L"Start");
    const auto limit = date(L"Limit");
    if (start && limit && *limit < *start) {
      AddCatalogue(Severity::Warning, "start", catalogue_.Attribute(message, L"Start"),
                   name + L"its Start " + DateText(*start) + L" is after its Limit " + DateText(*limit) +
                       L", so it never shows");
    }
    for (const auto& tag : LanguageTags(text(L"Lang").value_or(L""))) {
      if (IsWellFormedLanguageTag(tag)) continue;
      AddCatalogue(Severity::Warning, "lang", catalogue_.Attribute(message, L"Lang"),
                   name + L"Lang " + Quoted(tag) + L" is not a language tag (such as en, de-AT or zh-CN), so it "
                                                   L"matches no user");
    }
    const auto least = ParseVersion(text(L"MinVersion").value_or(L""));
    const auto below = ParseVersion(text(L"BelowVersion").value_or(L""));
    if (least && below && !(*least < *below)) {
      AddCatalogue(Severity::Warning, "version-range", catalogue_.Attribute(message, L"MinVersion"),
                   name + L"MinVersion " + VersionText(*least) + L" is not below BelowVersion " +
                       VersionText(*below) + L", so it never shows");
    }
    if ((text(L"MinVersion") || text(L"BelowVersion")) && !program) {
      AddCatalogue(Severity::Warning, "version-range",
                   catalogue_.Attribute(message, text(L"MinVersion") ? L"MinVersion" : L"BelowVersion"),
                   name + L"it has a version range but the root has no Program, so it never shows");
    }
  }
}

}  // namespace notify::checker
