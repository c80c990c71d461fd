#include "catalogue/selection.h"

#include <exception>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/cache.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace notify {

namespace {

using xml::DomNode;

// A missing attribute or child is a Nothing node: reading it throws, failing the run.
std::wstring AttributeText(const DomNode& node, const wchar_t* name) {
  return node.Attributes().getNamedItem(name).Text();
}

// The first child element of each name, found in one pass over the children instead of
// one query per item (the queries dominated the selection's time under MSXML).
class ChildElements {
 public:
  explicit ChildElements(const DomNode& parent) {
    const auto children = parent.childNodes();
    const std::int32_t count = children.Length();
    for (std::int32_t i = 0; i < count; ++i) {
      DomNode child = children.Item(i);
      if (child.kind() != xml::NodeKind::Element) continue;
      std::wstring name = child.nodeName();
      if (Find(name).IsNothing()) elements_.emplace_back(std::move(name), std::move(child));
    }
  }
  // Nothing when there is no such child: reading it then fails the run.
  DomNode Find(std::wstring_view name) const {
    for (const auto& [elementName, element] : elements_) {
      if (elementName == name) return element;
    }
    return DomNode();
  }
  std::wstring Text(std::wstring_view name) const { return Find(name).Text(); }

 private:
  std::vector<std::pair<std::wstring, DomNode>> elements_;
};

// The seen test over entries 0..m-1 (the last slot of SeenIds stays empty).
class SeenTest {
 public:
  SeenTest(const std::vector<std::wstring>& seenIds, SeenLookup lookup)
      : seen_(seenIds.data(), seenIds.empty() ? 0 : seenIds.size() - 1), lookup_(lookup), index_(Indexed()) {}

  bool IsSeen(const std::wstring& id) const {
    if (lookup_ == SeenLookup::Hashed) return index_.Contains(id);
    for (const auto& seenId : seen_) {
      if (EqualsNoCase(seenId, id)) return true;
    }
    return false;
  }

 private:
  std::span<const std::wstring> Indexed() const {
    return lookup_ == SeenLookup::Hashed ? seen_ : std::span<const std::wstring>();
  }
  std::span<const std::wstring> seen_;
  SeenLookup lookup_;
  SeenIdIndex index_;
};

// The item being read, kept so that an observer can be told which one failed.
using Trail = CatalogueItem;

// Tells the observer (when there is one) what was decided; returns whether it is Show.
bool Decide(SelectionObserver* observer, std::int32_t index, const std::wstring& id, MessageDecision decision,
            const std::wstring& detail = {}) {
  if (observer != nullptr) observer->Decided(index, id, decision, detail);
  return decision == MessageDecision::Show;
}

std::wstring IdForObserver(const DomNode& message) {
  return Trap(std::wstring(), [&] { return Trim(AttributeText(message, L"ID")); });
}

// True when the message is neither expired, nor suppressed by its check file, nor
// without identifier, nor seen. The items are read in this order, each only when needed.
bool Qualifies(const DomNode& message, const SelectionEnvironment& env, const SeenTest& seen,
               std::optional<ChildElements>& children, std::wstring& id, Trail& at, SelectionObserver* observer,
               std::int32_t index) {
  at = {L"", L"Limit", ValueKind::Date};
  const std::wstring limit = Trim(AttributeText(message, L"Limit"));
  if (IsExpired(limit, env.Today(), *env.Dates)) {
    if (observer != nullptr) id = IdForObserver(message);
    return Decide(observer, index, id, MessageDecision::Expired, limit);
  }
  children.emplace(message);
  at = {L"Check", L"", ValueKind::Text};
  const std::wstring check = Trim(children->Text(L"Check"));
  if (!check.empty()) {
    const std::wstring checkPath = ExpandPathMacros(check);
    if (FileExists(checkPath)) {
      if (observer != nullptr) id = IdForObserver(message);
      return Decide(observer, index, id, MessageDecision::CheckFile, checkPath);
    }
  }
  at = {L"", L"ID", ValueKind::Text};
  id = Trim(AttributeText(message, L"ID"));
  if (id.empty()) return Decide(observer, index, id, MessageDecision::NoId);
  return Decide(observer, index, id, seen.IsSeen(id) ? MessageDecision::Seen : MessageDecision::Show);
}

std::wstring ReadUri(const ChildElements& children, Trail& at) {
  at = {L"Uri", L"", ValueKind::Text};
  std::wstring uri = Trim(children.Text(L"Uri"));
  // A web address keeps its macros-looking text; anything else is a local path.
  if (uri.find(L":/") == std::wstring::npos) uri = ExpandPathMacros(uri);
  return uri;
}

struct ButtonFields {
  std::wstring& caption;
  std::int32_t& color;
  std::int32_t& pressedColor;
  std::int16_t& width;
  std::int16_t& height;
};

void ReadButton(const ChildElements& children, const wchar_t* name, const ButtonFields& out, Trail& at) {
  const DomNode button = children.Find(name);
  at = {name, L"", ValueKind::Text};
  out.caption = Trim(button.Text());
  at = {name, L"Color", ValueKind::Colour};
  out.color = ColourFromText(AttributeText(button, L"Color"));
  at = {name, L"PColor", ValueKind::Colour};
  out.pressedColor = ColourFromText(AttributeText(button, L"PColor"));
  at = {name, L"Width", ValueKind::Whole};
  out.width = Int16FromText(AttributeText(button, L"Width"));
  at = {name, L"Height", ValueKind::Whole};
  out.height = Int16FromText(AttributeText(button, L"Height"));
}

void ReadTextWithColour(const ChildElements& children, const wchar_t* name, std::wstring& text,
                        std::int32_t& colour, Trail& at) {
  const DomNode child = children.Find(name);
  at = {name, L"", ValueKind::Text};
  text = Trim(child.Text());
  at = {name, L"Color", ValueKind::Colour};
  colour = ColourFromText(AttributeText(child, L"Color"));
}

// Fills the slot in the catalogue's reading order; a failure leaves it half filled,
// which no one sees because the run then ends.
void FillRecord(const DomNode& message, const ChildElements& children, const std::wstring& id, MsgRecord& r,
                Trail& at) {
  r.ID = id;
  r.Uri = ReadUri(children, at);
  at = {L"", L"Style", ValueKind::Text};
  r.Style = Trim(AttributeText(message, L"Style"));
  at = {L"Logo", L"", ValueKind::Text};
  r.Logo = Trim(children.Text(L"Logo"));
  at = {L"Sound", L"", ValueKind::Text};
  r.Sound = Trim(children.Text(L"Sound"));
  at = {L"", L"AutoShut", ValueKind::Whole};
  r.AutoShut = Int16FromText(AttributeText(message, L"AutoShut"));
  const DomNode form = children.Find(L"Form");
  at = {L"Form", L"Color", ValueKind::Colour};
  r.FormColor = ColourFromText(AttributeText(form, L"Color"));
  at = {L"Form", L"Width", ValueKind::Pixels};
  r.FormWidth = TwipsFromPixelsText(AttributeText(form, L"Width"));
  at = {L"Form", L"Height", ValueKind::Pixels};
  r.FormHeight = TwipsFromPixelsText(AttributeText(form, L"Height"));
  at = {L"Form", L"Round", ValueKind::Flag};
  r.Round = FlagFromText(AttributeText(form, L"Round"));
  at = {L"Form", L"Shadow", ValueKind::Flag};
  r.Shadow = FlagFromText(AttributeText(form, L"Shadow"));
  ReadTextWithColour(children, L"Title", r.Title, r.TitleColor, at);
  ReadTextWithColour(children, L"Content", r.Content, r.ContentColor, at);
  ReadTextWithColour(children, L"Author", r.Author, r.AuthorColor, at);
  ReadTextWithColour(children, L"Date", r.Date, r.DateColor, at);
  ReadButton(children, L"BtnCls", {r.BtnCls, r.BtnClsColor, r.BtnClsPColor, r.BtnClsWidth, r.BtnClsHeight}, at);
  ReadButton(children, L"BtnCfm", {r.BtnCfm, r.BtnCfmColor, r.BtnCfmPColor, r.BtnCfmWidth, r.BtnCfmHeight}, at);
  r.Recorded = false;
}

std::string CauseOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

// Tells the observer which item of the message failed the run and how.
void ReportFailure(SelectionObserver& observer, std::int32_t index, const DomNode& message, const Trail& at,
                   const std::string& cause) noexcept {
  TrapVoid([&] {
    const std::wstring id = IdForObserver(message);
    const DomNode owner = *at.child != L'\0' ? ChildElements(message).Find(at.child) : message;
    if (owner.IsNothing()) return observer.ValueFailed(index, id, at, ItemFault::MissingChild, {}, cause);
    const DomNode item = *at.attribute != L'\0' ? owner.Attributes().getNamedItem(at.attribute) : owner;
    if (item.IsNothing()) return observer.ValueFailed(index, id, at, ItemFault::MissingAttribute, {}, cause);
    observer.ValueFailed(index, id, at, ItemFault::BadValue, item.Text(), cause);
  });
}

// Runs one stage; with an observer, a failure is reported before it ends the run.
template <class Body>
auto Stage(SelectionObserver* observer, RunStage stage, Body&& body) {
  if (observer == nullptr) return body();
  try {
    return body();
  } catch (...) {
    observer->RunFailed(stage, CauseOf(std::current_exception()));
    throw;
  }
}

// The catalogue's file, or its bytes when it came from elsewhere.
struct CatalogueFile {
  std::wstring path;
  std::optional<std::string_view> bytes;
};

bool LoadCatalogue(xml::DomDocument& doc, const CatalogueFile& file, SelectionObserver* observer) {
  if (!file.bytes ? doc.Load(file.path) : doc.LoadBytes(*file.bytes)) return true;
  if (observer != nullptr) observer->RunFailed(RunStage::LoadCatalogue, ToUtf8(doc.LastLoadFailure().reason));
  return false;
}

std::optional<std::wstring> OptionalAttribute(const DomNode& root, const wchar_t* name) {
  const DomNode attribute = root.Attributes().getNamedItem(name);
  if (attribute.IsNothing()) return std::nullopt;
  return attribute.Text();
}

bool RunSelection(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env, SeenLookup lookup,
                  SelectionObserver* observer, const CatalogueFile& file) {
  if (doc == nullptr || !env.Today || !env.Dates) return false;
  state.CatalogPath = file.path;
  if (!LoadCatalogue(*doc, file, observer)) return false;
  const DomNode root = Stage(observer, RunStage::ReadAppId, [&] {
    return doc->SelectSingleNode(doc->documentElement().baseName());
  });
  const std::wstring appId = Stage(observer, RunStage::ReadAppId, [&] { return Trim(AttributeText(root, L"AppID")); });
  const DomNode defer = root.Attributes().getNamedItem(L"Defer");
  state.Defer = defer.IsNothing() || !EqualsNoCase(Trim(defer.Text()), L"OFF");
  state.AppId = appId;
  state.Source = OptionalAttribute(root, L"Source");
  state.SourceKey = OptionalAttribute(root, L"SourceKey");
  state.SourceEvery = OptionalAttribute(root, L"SourceEvery");

  state.CachePath = CachePathFor(env.AppDataFolder, appId);
  if (observer != nullptr) observer->CatalogueRead(appId, state.CachePath);
  state.SeenIds = Stage(observer, RunStage::LoadCache, [&] {
    return env.SeenIds ? env.SeenIds(*doc, state.CachePath) : LoadSeenIds(*doc, state.CachePath);
  });
  // The cache replaced the catalogue in the shared document.
  if (!LoadCatalogue(*doc, file, observer)) return false;

  const auto messages = doc->selectNodes(L".//Message");
  const std::int32_t count = messages.Length();
  if (count > std::numeric_limits<std::int16_t>::max()) {
    if (observer != nullptr) observer->RunFailed(RunStage::TooManyMessages, "Overflow");
    Fail("Overflow");
  }
  state.Messages.assign(static_cast<std::size_t>(count) + 1, MsgRecord{});

  const SeenTest seen(state.SeenIds, lookup);
  std::size_t accepted = 0;
  bool failed = false;
  for (std::int32_t i = 0; i < count; ++i) {
    const DomNode message = messages.Item(i);
    Trail at;
    try {
      std::optional<ChildElements> children;
      std::wstring id;
      if (!Qualifies(message, env, seen, children, id, at, observer, i)) continue;
      FillRecord(message, *children, id, state.Messages[accepted], at);
      ++accepted;
    } catch (...) {
      if (observer == nullptr) throw;
      // Go on, so that every failing message is told; the run still fails.
      ReportFailure(*observer, i, message, at, CauseOf(std::current_exception()));
      state.Messages[accepted] = MsgRecord{};
      failed = true;
    }
  }
  if (count < 1 && observer != nullptr) observer->RunFailed(RunStage::NoMessages, "the catalogue has no Message");
  return count >= 1 && !failed;
}

CatalogueFile ProgramCatalogue() { return {AddTrailingBackslash(ProgramFolder()) + L"Message.xml", std::nullopt}; }

}  // namespace

SelectionEnvironment DefaultSelectionEnvironment() {
  return SelectionEnvironment{SpecialFolderPath(kCsidlAppData), &LocalToday,
                              std::shared_ptr<const DateParser>(SystemDateParser()), {}};
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SeenLookup lookup) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, lookup, nullptr, ProgramCatalogue()); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SelectionObserver& observer) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, SeenLookup::Hashed, &observer, ProgramCatalogue()); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env) noexcept {
  return SelectMessages(doc, state, env, SeenLookup::Hashed);
}

bool SelectMessagesFromBytes(xml::DomDocument* doc, std::string_view bytes, CatalogueState& state,
                             const SelectionEnvironment& env, SelectionObserver* observer) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, SeenLookup::Hashed, observer, {L"", bytes}); });
}

}  // namespace notify
