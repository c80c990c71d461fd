#include "checker/check_catalogue.h"

#include <algorithm>
#include <set>

#include "checker/check_audience.h"
#include "checker/check_values.h"

#include "platform/text.h"

namespace notify::checker {

namespace {

constexpr const wchar_t* kWhileDue =
    L"; while this message is due, no message of the catalogue is shown to anyone";

class MessageChecker final : CheckerPart {
 public:
  MessageChecker(const CheckOptions& options, xml::DomDocument& document, CheckState& state)
      : CheckerPart(options, document, state), audience_(options, document, state) {}

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
      audience_.ReportDecision(index, result);
      if (result.decision == Decision::NoId) {
        AddCatalogue(Severity::Note, "no-id", catalogue_.Attribute(MessageElement(index), L"ID"),
                     MessageName({}, index + 1) + L" has no ID, so it is never shown");
      }
      report_.messages.push_back(std::move(result));
    }
    for (const auto& failure : collector.valueFailures) ReportValue(failure);
    audience_.ReportValues(collector);
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

  AudienceChecker audience_;
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
