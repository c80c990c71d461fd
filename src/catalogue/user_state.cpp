#include "catalogue/user_state.h"

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/utc_time.h"
#include "platform/xml/file_io.h"

namespace notify {

namespace {

std::wstring EscapeAttribute(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\t': out += L"&#9;"; break;
      case L'\n': out += L"&#10;"; break;
      case L'\r': out += L"&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring AttributeOr(const xml::DomNode& node, const wchar_t* name) {
  const xml::DomNode attribute = node.Attributes().getNamedItem(name);
  return attribute.IsNothing() ? std::wstring() : attribute.Text();
}

template <class T>
std::optional<T> WholeNumber(std::wstring_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  T value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = static_cast<T>(value * 10 + static_cast<T>(c - L'0'));
  }
  return value;
}

}  // namespace

std::wstring StatePathFor(const std::wstring& cachePath) { return ParentPath(cachePath, L"\\") + L"State.xml"; }

UserState LoadUserState(xml::DomDocument& doc, const std::wstring& statePath) noexcept {
  UserState state;
  TrapVoid([&] {
    if (!FileExists(statePath) || !doc.Load(statePath)) return;
    const xml::DomNode published = doc.SelectSingleNode(L"/State/Published");
    if (!published.IsNothing()) {
      state.ETag = AttributeOr(published, L"ETag");
      state.LastModified = AttributeOr(published, L"LastModified");
      state.LastAttempt = ParseUtcTime(AttributeOr(published, L"LastAttempt"));
      state.Outcome = AttributeOr(published, L"Outcome");
      state.HttpStatus = WholeNumber<std::int32_t>(AttributeOr(published, L"Status")).value_or(0);
      state.NextAttempt = ParseUtcTime(AttributeOr(published, L"NextAttempt"));
      state.Serial = WholeNumber<std::uint64_t>(AttributeOr(published, L"Serial"));
    }
    const xml::DomNode shown = doc.SelectSingleNode(L"/State/LastShown");
    if (!shown.IsNothing()) state.LastShown = ParseUtcTime(Trim(shown.Text()));
  });
  return state;
}

bool SaveUserState(const std::wstring& statePath, const UserState& state) noexcept {
  return Trap(false, [&] {
    std::wstring published;
    const auto add = [&](const wchar_t* name, const std::wstring& value) {
      if (!value.empty()) published += L" " + std::wstring(name) + L"=\"" + EscapeAttribute(value) + L"\"";
    };
    add(L"ETag", state.ETag);
    add(L"LastModified", state.LastModified);
    add(L"LastAttempt", state.LastAttempt ? FormatUtcTime(*state.LastAttempt) : L"");
    add(L"Outcome", state.Outcome);
    add(L"Status", state.HttpStatus != 0 ? std::to_wstring(state.HttpStatus) : L"");
    add(L"NextAttempt", state.NextAttempt ? FormatUtcTime(*state.NextAttempt) : L"");
    add(L"Serial", state.Serial ? std::to_wstring(*state.Serial) : L"");
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<State>\r\n";
    if (!published.empty()) text += L"  <Published" + published + L"/>\r\n";
    if (state.LastShown) text += L"  <LastShown>" + FormatUtcTime(*state.LastShown) + L"</LastShown>\r\n";
    text += L"</State>\r\n";
    CreateFolder(ParentPath(statePath, L"\\"));
    xml::WriteFileAtomically(statePath, ToUtf8(text));
    return true;
  });
}

}  // namespace notify
