#include "checker/check_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "catalogue/audience.h"
#include "checker/check_values.h"

#include "platform/text.h"

namespace notify::checker {

namespace {

constexpr const wchar_t* kWhileDue =
    L"; while this message is due, no message of the catalogue is shown to anyone";

class MessageChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  std::vector<std::pair<std::int32_t, MsgRecord>> ReportMessages(const Collector& collector,
                                                                 const CatalogueState& state) {
    std::set<std::int32_t> failed;
    for (const auto& failure : collector.valueFailures) failed.insert(failure.index);
    std::vector<std::int32_t> showIndices;
    for (const auto& [index, decided] : collector.decisions) {
      MessageResult result{index + 1, decided.id, catalogue_.At(MessageElement(index)).line,
                           DecisionOf(decided.decision), decided.detail};
      if (failed.contains(index)) result.decision = Decision::Error;
      if (result.decision == Decision::Show) showIndices.push_back(index);
      if (result.decision == Decision::Expired) ReportExpired(index, result);
      ReportAudience(index, result);
      if (result.decision == Decision::NoId) {
        AddCatalogue(Severity::Note, "no-id", catalogue_.Attribute(MessageElement(index), L"ID"),
                     MessageName({}, index + 1) + L" has no ID, so it is never shown");
      }
      report_.messages.push_back(std::move(result));
    }
    for (const auto& failure : collector.valueFailures) ReportValue(failure);
    ReportAudienceValues(collector);
    ReportDateForms(collector);
    ReportPaths(collector);
    std::sort(report_.messages.begin(), report_.messages.end(),
              [](const auto& a, const auto& b) { return a.index < b.index; });
    for (const auto& failure : collector.valueFailures) {
      const auto at = std::find_if(report_.messages.begin(), report_.messages.end(),
                                   [&](const auto& m) { return m.index == failure.index + 1; });
      if (at == report_.messages.end()) {
        report_.messages.push_back({failure.index + 1, failure.id, catalogue_.At(MessageElement(failure.index)).line,
                                    Decision::Error, {}});
      }
    }
    std::sort(report_.messages.begin(), report_.messages.end(),
              [](const auto& a, const auto& b) { return a.index < b.index; });

    // The accepted records are packed in catalogue order: the i-th belongs to the i-th shown message.
    std::size_t slot = 0;
    for (const std::int32_t index : showIndices) {
      while (slot < state.Messages.size() && state.Messages[slot].IsEmpty()) ++slot;
      if (slot >= state.Messages.size()) break;
      shown_.emplace_back(index + 1, state.Messages[slot++]);
    }
    report_.show = shown_;
    ReportDuplicates();
    // The selection decides the flag; an author who turned waiting off should know what it costs.
    if (!state.Defer && collector.read) {
      AddCatalogue(Severity::Note, "defer", catalogue_.Attribute(catalogue_.Root(), L"Defer"),
                   L"Defer is OFF: messages show at once, even over a full-screen window or with nobody at "
                   L"the desk, and an AutoShut message closes even when nobody saw it");
    }
    return std::move(shown_);
  }

 private:
  void ReportExpired(std::int32_t index, MessageResult& result) {
    const auto date = options_.dates ? options_.dates->Parse(result.detail) : std::nullopt;
    const std::wstring ended = date ? DateText(*date) : result.detail;
    result.detail = ended;
    AddCatalogue(Severity::Warning, "expired", catalogue_.Attribute(MessageElement(index), L"Limit"),
                 MessageName(result.id, index + 1) + L": its Limit " + ended + L" has passed (today is " +
                     DateText(options_.today) + L"), so it never shows again");
  }

  static std::wstring ItemName(const CatalogueItem& item) {
    if (*item.child == L'\0') return item.attribute;
    if (*item.attribute == L'\0') return std::wstring(item.child) + L" text";
    return std::wstring(item.child) + L" " + item.attribute;
  }

  static std::wstring Complaint(const CatalogueItem& item, const std::string& cause) {
    const bool overflow = cause == "Overflow";
    switch (item.kind) {
      case ValueKind::Date: return L"is not a date";
      case ValueKind::Colour:
        return overflow ? L"is not a colour: more than 8 hexadecimal digits"
                        : L"is not a colour (hexadecimal digits BBGGRR)";
      case ValueKind::Whole: return overflow ? L"is not a whole number from -32768 to 32767" : L"is not a whole number";
      case ValueKind::Pixels:
        return overflow ? L"is too large: sizes go from -2184 to 2184 pixels" : L"is not a whole number";
      case ValueKind::Version: return L"is not a version (up to four numbers from 0 to 65535, separated by dots)";
      case ValueKind::Text:
      case ValueKind::Flag: break;
    }
    return L"cannot be read (" + FromUtf8(cause) + L")";
  }

  void ReportValue(const ValueFailure& failure) {
    const std::size_t message = MessageElement(failure.index);
    const std::wstring name = MessageName(failure.id, failure.index + 1) + L": ";
    const bool onMessage = *failure.item.child == L'\0';
    const std::size_t owner = onMessage ? message : catalogue_.Child(message, failure.item.child);
    switch (failure.fault) {
      case ItemFault::MissingChild: {
        // A misspelt name is the likeliest cause: point at it and name both.
        const auto like = Resembling(catalogue_.ChildNames(message), failure.item.child);
        return AddCatalogue(Severity::Error, "missing",
                            catalogue_.At(like ? catalogue_.Child(message, like->present) : message),
                            name + L"has no " + failure.item.child + L" element" + Advice(like) + kWhileDue);
      }
      case ItemFault::MissingAttribute: {
        const auto like = Resembling(catalogue_.AttributeNames(owner), failure.item.attribute);
        return AddCatalogue(Severity::Error, "missing",
                            like ? catalogue_.Attribute(owner, like->present) : catalogue_.At(owner),
                            name + (onMessage ? L"has" : std::wstring(failure.item.child) + L" has") + L" no " +
                                failure.item.attribute + L" attribute" + Advice(like) + kWhileDue);
      }
      case ItemFault::BadValue: {
        const SourcePosition at = *failure.item.attribute != L'\0'
                                      ? catalogue_.Attribute(owner, failure.item.attribute)
                                      : catalogue_.At(owner);
        return AddCatalogue(Severity::Error, "value", at,
                            name + ItemName(failure.item) + L" " + Quoted(failure.value) + L" " +
                                Complaint(failure.item, failure.cause) + kWhileDue);
      }
    }
  }

  // The audience's decisions, as notes that say when or for whom the message would show.
  void ReportAudience(std::int32_t index, MessageResult& result) {
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
  void ReportAudienceValues(const Collector& collector) {
    const auto root = collector.attributes.find(-1);
    const bool program = root != collector.attributes.end() && root->second.contains(L"Program");
    for (const auto& [index, read] : collector.attributes) {
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

  // Seconds since 1970 UTC as YYYY-MM-DD hh:mm UTC.
  static std::wstring TimeText(std::int64_t seconds) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t inDay = seconds - days * 86400;
    // Days to a civil date (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    wchar_t clock[16];
    std::swprintf(clock, 16, L" %02d:%02d UTC", static_cast<int>(inDay / 3600), static_cast<int>(inDay % 3600 / 60));
    return DateText({year, month, day}) + clock;
  }

  static std::wstring Advice(const std::optional<Resemblance>& like) {
    return like ? L" (" + like->advice + L")" : L"";
  }

  static std::wstring NameOf(const Collector& collector, std::int32_t index) {
    const auto decided = collector.decisions.find(index);
    std::wstring id = decided != collector.decisions.end() ? decided->second.id : L"";
    for (const auto& failure : collector.valueFailures) {
      if (failure.index == index && id.empty()) id = failure.id;
    }
    return MessageName(id, index + 1);
  }

  // Every message's Limit is read by the program, due or not, so each is judged.
  void ReportDateForms(const Collector& collector) {
    for (const auto& [index, limit] : collector.limits) {
      const auto finding = JudgeDateForm(NameOf(collector, index), limit);
      if (!finding) continue;
      AddCatalogue(finding->severity, "date-form", catalogue_.Attribute(MessageElement(index), L"Limit"),
                   finding->message);
    }
  }

  void ReportPaths(const Collector& collector) {
    for (const auto& path : collector.paths) {
      // A Uri with a scheme ("mailto:") is no path; one letter before the colon is a drive.
      const auto colon = path.expansion.text.find(L':');
      const bool uri = path.item.child == std::wstring_view(L"Uri");
      if (uri && colon != std::wstring::npos && colon > 1) continue;
      const auto traps = PathTraps(NameOf(collector, path.index), path.item.child, path.expansion);
      if (traps) AddCatalogue(Severity::Warning, "path", ItemOf(path.index + 1, path.item.child), *traps);
    }
  }

  void ReportDuplicates() {
    std::map<std::wstring, std::int32_t> first;
    for (const auto& [index, record] : shown_) {
      const auto [at, inserted] = first.emplace(FoldCase(record.ID), index);
      if (inserted) continue;
      AddCatalogue(Severity::Warning, "duplicate-id", catalogue_.Attribute(MessageElement(index - 1), L"ID"),
                   MessageName(record.ID, index) + L": message #" + std::to_wstring(at->second) +
                       L" has the same ID, so the message shows twice in one run");
    }
  }

  std::vector<std::pair<std::int32_t, MsgRecord>> shown_;
};

}  // namespace

Decision DecisionOf(MessageDecision decision) {
  switch (decision) {
    case MessageDecision::Show: return Decision::Show;
    case MessageDecision::Expired: return Decision::Expired;
    case MessageDecision::CheckFile: return Decision::CheckFile;
    case MessageDecision::Seen: return Decision::Seen;
    case MessageDecision::NoId: return Decision::NoId;
    case MessageDecision::NotYet: return Decision::NotYet;
    case MessageDecision::OtherLanguage: return Decision::OtherLanguage;
    case MessageDecision::OtherVersion: return Decision::OtherVersion;
    case MessageDecision::Held: return Decision::Held;
  }
  return Decision::Error;
}

std::vector<std::pair<std::int32_t, MsgRecord>> CheckMessages(const CheckOptions& options,
                                                              xml::DomDocument& document, CheckState& state,
                                                              const Collector& collector,
                                                              const CatalogueState& selected) {
  return MessageChecker(options, document, state).ReportMessages(collector, selected);
}

}  // namespace notify::checker
