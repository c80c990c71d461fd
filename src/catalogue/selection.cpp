#include "catalogue/selection.h"

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

// True when the message is neither expired, nor suppressed by its check file, nor
// without identifier, nor seen. The items are read in this order, each only when needed.
bool Qualifies(const DomNode& message, const SelectionEnvironment& env, const SeenTest& seen,
               std::optional<ChildElements>& children, std::wstring& id) {
  const std::wstring limit = Trim(AttributeText(message, L"Limit"));
  if (IsExpired(limit, env.Today(), *env.Dates)) return false;
  children.emplace(message);
  const std::wstring check = Trim(children->Text(L"Check"));
  if (!check.empty() && FileExists(ExpandPathMacros(check))) return false;
  id = Trim(AttributeText(message, L"ID"));
  return !id.empty() && !seen.IsSeen(id);
}

std::wstring ReadUri(const ChildElements& children) {
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

void ReadButton(const ChildElements& children, const wchar_t* name, const ButtonFields& out) {
  const DomNode button = children.Find(name);
  out.caption = Trim(button.Text());
  out.color = ColourFromText(AttributeText(button, L"Color"));
  out.pressedColor = ColourFromText(AttributeText(button, L"PColor"));
  out.width = Int16FromText(AttributeText(button, L"Width"));
  out.height = Int16FromText(AttributeText(button, L"Height"));
}

void ReadTextWithColour(const ChildElements& children, const wchar_t* name, std::wstring& text,
                        std::int32_t& colour) {
  const DomNode child = children.Find(name);
  text = Trim(child.Text());
  colour = ColourFromText(AttributeText(child, L"Color"));
}

// Fills the slot in the catalogue's reading order; a failure leaves it half filled,
// which no one sees because the run then ends.
void FillRecord(const DomNode& message, const ChildElements& children, const std::wstring& id, MsgRecord& r) {
  r.ID = id;
  r.Uri = ReadUri(children);
  r.Style = Trim(AttributeText(message, L"Style"));
  r.Logo = Trim(children.Text(L"Logo"));
  r.Sound = Trim(children.Text(L"Sound"));
  r.AutoShut = Int16FromText(AttributeText(message, L"AutoShut"));
  const DomNode form = children.Find(L"Form");
  r.FormColor = ColourFromText(AttributeText(form, L"Color"));
  r.FormWidth = TwipsFromPixelsText(AttributeText(form, L"Width"));
  r.FormHeight = TwipsFromPixelsText(AttributeText(form, L"Height"));
  r.Round = FlagFromText(AttributeText(form, L"Round"));
  r.Shadow = FlagFromText(AttributeText(form, L"Shadow"));
  ReadTextWithColour(children, L"Title", r.Title, r.TitleColor);
  ReadTextWithColour(children, L"Content", r.Content, r.ContentColor);
  ReadTextWithColour(children, L"Author", r.Author, r.AuthorColor);
  ReadTextWithColour(children, L"Date", r.Date, r.DateColor);
  ReadButton(children, L"BtnCls", {r.BtnCls, r.BtnClsColor, r.BtnClsPColor, r.BtnClsWidth, r.BtnClsHeight});
  ReadButton(children, L"BtnCfm", {r.BtnCfm, r.BtnCfmColor, r.BtnCfmPColor, r.BtnCfmWidth, r.BtnCfmHeight});
  r.Recorded = false;
}

bool RunSelection(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env, SeenLookup lookup) {
  if (doc == nullptr || !env.Today || !env.Dates) return false;
  state.CatalogPath = AddTrailingBackslash(ProgramFolder()) + L"Message.xml";
  if (!doc->Load(state.CatalogPath)) return false;
  const std::wstring rootName = doc->documentElement().baseName();
  const DomNode root = doc->SelectSingleNode(rootName);
  const std::wstring appId = Trim(AttributeText(root, L"AppID"));
  const DomNode defer = root.Attributes().getNamedItem(L"Defer");
  state.Defer = defer.IsNothing() || !EqualsNoCase(Trim(defer.Text()), L"OFF");

  state.CachePath = CachePathFor(env.AppDataFolder, appId);
  state.SeenIds = LoadSeenIds(*doc, state.CachePath);
  // The cache replaced the catalogue in the shared document.
  if (!doc->Load(state.CatalogPath)) return false;

  const auto messages = doc->selectNodes(L".//Message");
  const std::int32_t count = messages.Length();
  if (count > std::numeric_limits<std::int16_t>::max()) Fail("Overflow");
  state.Messages.assign(static_cast<std::size_t>(count) + 1, MsgRecord{});

  const SeenTest seen(state.SeenIds, lookup);
  std::size_t accepted = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const DomNode message = messages.Item(i);
    std::optional<ChildElements> children;
    std::wstring id;
    if (!Qualifies(message, env, seen, children, id)) continue;
    FillRecord(message, *children, id, state.Messages[accepted]);
    ++accepted;
  }
  return count >= 1;
}

}  // namespace

SelectionEnvironment DefaultSelectionEnvironment() {
  return SelectionEnvironment{SpecialFolderPath(kCsidlAppData), &LocalToday,
                              std::shared_ptr<const DateParser>(SystemDateParser())};
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SeenLookup lookup) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, lookup); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env) noexcept {
  return SelectMessages(doc, state, env, SeenLookup::Hashed);
}

}  // namespace notify
