#include "catalogue/selection.h"

#include <limits>
#include <span>

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
std::wstring ChildText(const DomNode& node, const wchar_t* name) { return node.SelectSingleNode(name).Text(); }

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
bool Qualifies(const DomNode& message, const SelectionEnvironment& env, const SeenTest& seen, std::wstring& id) {
  const std::wstring limit = Trim(AttributeText(message, L"Limit"));
  if (IsExpired(limit, env.Today(), *env.Dates)) return false;
  const std::wstring check = Trim(ChildText(message, L"Check"));
  if (!check.empty() && FileExists(ExpandPathMacros(check))) return false;
  id = Trim(AttributeText(message, L"ID"));
  return !id.empty() && !seen.IsSeen(id);
}

std::wstring ReadUri(const DomNode& message) {
  std::wstring uri = Trim(ChildText(message, L"Uri"));
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

void ReadButton(const DomNode& message, const wchar_t* name, const ButtonFields& out) {
  const DomNode button = message.SelectSingleNode(name);
  out.caption = Trim(button.Text());
  out.color = ColourFromText(AttributeText(button, L"Color"));
  out.pressedColor = ColourFromText(AttributeText(button, L"PColor"));
  out.width = Int16FromText(AttributeText(button, L"Width"));
  out.height = Int16FromText(AttributeText(button, L"Height"));
}

void ReadTextWithColour(const DomNode& message, const wchar_t* name, std::wstring& text, std::int32_t& colour) {
  const DomNode child = message.SelectSingleNode(name);
  text = Trim(child.Text());
  colour = ColourFromText(AttributeText(child, L"Color"));
}

// Fills the slot in the catalogue's reading order; a failure leaves it half filled,
// which no one sees because the run then ends.
void FillRecord(const DomNode& message, const std::wstring& id, MsgRecord& r) {
  r.ID = id;
  r.Uri = ReadUri(message);
  r.Style = Trim(AttributeText(message, L"Style"));
  r.Logo = Trim(ChildText(message, L"Logo"));
  r.Sound = Trim(ChildText(message, L"Sound"));
  r.AutoShut = Int16FromText(AttributeText(message, L"AutoShut"));
  const DomNode form = message.SelectSingleNode(L"Form");
  r.FormColor = ColourFromText(AttributeText(form, L"Color"));
  r.FormWidth = TwipsFromPixelsText(AttributeText(form, L"Width"));
  r.FormHeight = TwipsFromPixelsText(AttributeText(form, L"Height"));
  r.Round = FlagFromText(AttributeText(form, L"Round"));
  r.Shadow = FlagFromText(AttributeText(form, L"Shadow"));
  ReadTextWithColour(message, L"Title", r.Title, r.TitleColor);
  ReadTextWithColour(message, L"Content", r.Content, r.ContentColor);
  ReadTextWithColour(message, L"Author", r.Author, r.AuthorColor);
  ReadTextWithColour(message, L"Date", r.Date, r.DateColor);
  ReadButton(message, L"BtnCls", {r.BtnCls, r.BtnClsColor, r.BtnClsPColor, r.BtnClsWidth, r.BtnClsHeight});
  ReadButton(message, L"BtnCfm", {r.BtnCfm, r.BtnCfmColor, r.BtnCfmPColor, r.BtnCfmWidth, r.BtnCfmHeight});
  r.Recorded = false;
}

bool RunSelection(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env, SeenLookup lookup) {
  if (doc == nullptr) return false;
  state.CatalogPath = AddTrailingBackslash(ProgramFolder()) + L"Message.xml";
  if (!doc->Load(state.CatalogPath)) return false;
  const std::wstring rootName = doc->documentElement().baseName();
  const std::wstring appId = Trim(AttributeText(doc->SelectSingleNode(rootName), L"AppID"));

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
    std::wstring id;
    if (!Qualifies(message, env, seen, id)) continue;
    FillRecord(message, id, state.Messages[accepted]);
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
