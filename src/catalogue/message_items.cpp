#include "catalogue/message_items.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "catalogue/audience.h"
#include "catalogue/conversions.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace notify {

namespace {

using xml::DomNode;

std::wstring Trimmed(const std::wstring& text) { return Trim(text); }

// A web address keeps its macros-looking text; anything else is a local path.
bool IsWebAddress(const std::wstring& trimmed) { return trimmed.find(L":/") != std::wstring::npos; }

std::wstring Address(const std::wstring& text) {
  std::wstring uri = Trim(text);
  if (!IsWebAddress(uri)) uri = ExpandPathMacros(uri);
  return uri;
}

template <auto Field, auto Convert>
void Into(MsgRecord& record, const std::wstring& text, const DateParser&) {
  record.*Field = Convert(text);
}

void StartDate(MsgRecord& record, const std::wstring& text, const DateParser& dates) {
  record.Start = dates.Parse(Trim(text));
  if (!record.Start) Fail("Type mismatch");
}

constexpr ItemRow Attribute(const wchar_t* name, ValueKind kind, FillItem fill) {
  return {{L"", name, kind}, ItemPhase::Shown, true, fill, false};
}
constexpr ItemRow ChildText(const wchar_t* child, FillItem fill) {
  return {{child, L"", ValueKind::Text}, ItemPhase::Shown, true, fill, false};
}
constexpr ItemRow ChildAttribute(const wchar_t* child, const wchar_t* name, ValueKind kind, FillItem fill) {
  return {{child, name, kind}, ItemPhase::Shown, true, fill, false};
}
constexpr ItemRow LocalPath(const wchar_t* child, FillItem fill) {
  return {{child, L"", ValueKind::Text}, ItemPhase::Shown, true, fill, true};
}
constexpr ItemRow Optional(const wchar_t* name, ValueKind kind, ItemPhase phase, FillItem fill) {
  return {{L"", name, kind}, phase, false, fill, false};
}
constexpr ItemRow Deciding(const wchar_t* child, const wchar_t* name, ValueKind kind) {
  return {{child, name, kind}, ItemPhase::Decides, true, nullptr, false};
}

constexpr std::array kItems{
    Deciding(L"", L"Limit", ValueKind::Date),
    Optional(L"Start", ValueKind::Date, ItemPhase::Start, StartDate),
    Deciding(L"Check", L"", ValueKind::Text),
    Deciding(L"", L"ID", ValueKind::Text),
    Optional(L"Lang", ValueKind::Text, ItemPhase::Audience, Into<&MsgRecord::Lang, LanguageTags>),
    Optional(L"MinVersion", ValueKind::Version, ItemPhase::Audience, Into<&MsgRecord::MinVersion, VersionFromText>),
    Optional(L"BelowVersion", ValueKind::Version, ItemPhase::Audience, Into<&MsgRecord::BelowVersion, VersionFromText>),
    LocalPath(L"Uri", Into<&MsgRecord::Uri, Address>),
    Attribute(L"Style", ValueKind::Text, Into<&MsgRecord::Style, Trimmed>),
    ChildText(L"Logo", Into<&MsgRecord::Logo, Trimmed>),
    ChildText(L"Sound", Into<&MsgRecord::Sound, Trimmed>),
    Attribute(L"AutoShut", ValueKind::Whole, Into<&MsgRecord::AutoShut, Int16FromText>),
    ChildAttribute(L"Form", L"Color", ValueKind::Colour, Into<&MsgRecord::FormColor, ColourFromText>),
    ChildAttribute(L"Form", L"Width", ValueKind::Pixels, Into<&MsgRecord::FormWidth, TwipsFromPixelsText>),
    ChildAttribute(L"Form", L"Height", ValueKind::Pixels, Into<&MsgRecord::FormHeight, TwipsFromPixelsText>),
    ChildAttribute(L"Form", L"Round", ValueKind::Flag, Into<&MsgRecord::Round, FlagFromText>),
    ChildAttribute(L"Form", L"Shadow", ValueKind::Flag, Into<&MsgRecord::Shadow, FlagFromText>),
    ChildText(L"Title", Into<&MsgRecord::Title, Trimmed>),
    ChildAttribute(L"Title", L"Color", ValueKind::Colour, Into<&MsgRecord::TitleColor, ColourFromText>),
    ChildText(L"Content", Into<&MsgRecord::Content, Trimmed>),
    ChildAttribute(L"Content", L"Color", ValueKind::Colour, Into<&MsgRecord::ContentColor, ColourFromText>),
    ChildText(L"Author", Into<&MsgRecord::Author, Trimmed>),
    ChildAttribute(L"Author", L"Color", ValueKind::Colour, Into<&MsgRecord::AuthorColor, ColourFromText>),
    ChildText(L"Date", Into<&MsgRecord::Date, Trimmed>),
    ChildAttribute(L"Date", L"Color", ValueKind::Colour, Into<&MsgRecord::DateColor, ColourFromText>),
    ChildText(L"BtnCls", Into<&MsgRecord::BtnCls, Trimmed>),
    ChildAttribute(L"BtnCls", L"Color", ValueKind::Colour, Into<&MsgRecord::BtnClsColor, ColourFromText>),
    ChildAttribute(L"BtnCls", L"PColor", ValueKind::Colour, Into<&MsgRecord::BtnClsPColor, ColourFromText>),
    ChildAttribute(L"BtnCls", L"Width", ValueKind::Whole, Into<&MsgRecord::BtnClsWidth, Int16FromText>),
    ChildAttribute(L"BtnCls", L"Height", ValueKind::Whole, Into<&MsgRecord::BtnClsHeight, Int16FromText>),
    ChildText(L"BtnCfm", Into<&MsgRecord::BtnCfm, Trimmed>),
    ChildAttribute(L"BtnCfm", L"Color", ValueKind::Colour, Into<&MsgRecord::BtnCfmColor, ColourFromText>),
    ChildAttribute(L"BtnCfm", L"PColor", ValueKind::Colour, Into<&MsgRecord::BtnCfmPColor, ColourFromText>),
    ChildAttribute(L"BtnCfm", L"Width", ValueKind::Whole, Into<&MsgRecord::BtnCfmWidth, Int16FromText>),
    ChildAttribute(L"BtnCfm", L"Height", ValueKind::Whole, Into<&MsgRecord::BtnCfmHeight, Int16FromText>),
};

// The first child element of each name, in one pass over the children instead of one
// query per item (the queries dominated the selection's time under the system component).
std::vector<std::pair<std::wstring, DomNode>> ChildElements(const DomNode& parent) {
  std::vector<std::pair<std::wstring, DomNode>> elements;
  const auto children = parent.childNodes();
  const std::int32_t count = children.Length();
  for (std::int32_t i = 0; i < count; ++i) {
    DomNode child = children.Item(i);
    if (child.kind() != xml::NodeKind::Element) continue;
    std::wstring name = child.nodeName();
    const bool known = std::any_of(elements.begin(), elements.end(), [&](const auto& e) { return e.first == name; });
    if (!known) elements.emplace_back(std::move(name), std::move(child));
  }
  return elements;
}

// Nothing when there is no such child: reading it then fails the run.
DomNode Find(const std::vector<std::pair<std::wstring, DomNode>>& elements, std::wstring_view name) {
  for (const auto& [elementName, element] : elements) {
    if (elementName == name) return element;
  }
  return DomNode();
}

bool OnMessage(const CatalogueItem& item) { return *item.child == L'\0'; }
bool IsText(const CatalogueItem& item) { return *item.attribute == L'\0'; }

}  // namespace

const ItemRow& kLimitItem = kItems[0];
const ItemRow& kCheckItem = kItems[2];
const ItemRow& kIdItem = kItems[3];

std::span<const ItemRow> MessageItems() { return kItems; }

DomNode MessageReader::Owner(const CatalogueItem& item) {
  if (OnMessage(item)) return message_;
  if (!children_) children_ = ChildElements(message_);
  return Find(*children_, item.child);
}

std::optional<std::wstring> MessageReader::Text(const ItemRow& row) {
  current_ = &row;
  const DomNode owner = Owner(row.item);
  if (!row.required && owner.IsNothing()) return std::nullopt;
  const DomNode item = IsText(row.item) ? owner : owner.Attributes().getNamedItem(row.item.attribute);
  if (!row.required && item.IsNothing()) return std::nullopt;
  std::wstring text = item.Text();  // a missing child or attribute throws here
  if (observer_ != nullptr) observer_->ItemRead(index_, row.item, text);
  return text;
}

void MessageReader::Fill(MsgRecord& record, ItemPhase phase) {
  for (const ItemRow& row : kItems) {
    if (row.phase != phase || row.fill == nullptr) continue;
    const auto text = Text(row);
    if (!text) continue;
    if (row.path && observer_ != nullptr) {
      const std::wstring trimmed = Trim(*text);
      if (!trimmed.empty() && !IsWebAddress(trimmed)) observer_->PathExpanded(index_, row.item, ExplainPathMacros(trimmed));
    }
    row.fill(record, *text, dates_);
  }
}

std::wstring MessageReader::IdForObserver() const {
  return Trap(std::wstring(), [&] { return Trim(message_.Attributes().getNamedItem(L"ID").Text()); });
}

void MessageReader::ReportFailure(const std::string& cause) const noexcept {
  if (current_ == nullptr || observer_ == nullptr) return;
  SelectionObserver& observer = *observer_;
  const std::int32_t index = index_;
  TrapVoid([&] {
    const CatalogueItem& at = current_->item;
    const std::wstring id = IdForObserver();
    const DomNode owner = OnMessage(at) ? message_ : Find(ChildElements(message_), at.child);
    if (owner.IsNothing()) return observer.ValueFailed(index, id, at, ItemFault::MissingChild, {}, cause);
    const DomNode item = IsText(at) ? owner : owner.Attributes().getNamedItem(at.attribute);
    if (item.IsNothing()) return observer.ValueFailed(index, id, at, ItemFault::MissingAttribute, {}, cause);
    observer.ValueFailed(index, id, at, ItemFault::BadValue, item.Text(), cause);
  });
}

}  // namespace notify
