#include "catalogue/published.h"

#include <algorithm>

#include "catalogue/cache.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/signature.h"
#include "platform/text.h"
#include "presentation/skin_style.h"

namespace notify {

namespace {

constexpr std::uint32_t kMaxSourceEveryHours = 87600;  // ten years

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Scheme (lower case), host as written and whether the authority is well formed.
struct UrlParts {
  std::wstring scheme;
  std::wstring host;
  bool valid = false;
};

UrlParts SplitUrl(std::wstring_view url) {
  UrlParts parts;
  for (wchar_t c : url) {
    if (c <= L' ' || c == 0x7F || c == L'\\') return parts;
  }
  const auto colon = url.find(L"://");
  if (colon == std::wstring_view::npos) return parts;
  parts.scheme = std::wstring(url.substr(0, colon));
  std::transform(parts.scheme.begin(), parts.scheme.end(), parts.scheme.begin(),
                 [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; });
  const std::wstring_view rest = url.substr(colon + 3);
  const std::wstring_view authority = rest.substr(0, rest.find_first_of(L"/?#"));
  if (authority.empty() || authority.find(L'@') != std::wstring_view::npos) return parts;
  std::wstring_view port;
  if (authority.front() == L'[') {
    const auto close = authority.find(L']');
    if (close == std::wstring_view::npos) return parts;
    parts.host = std::wstring(authority.substr(0, close + 1));
    const std::wstring_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != L':') return parts;
    if (!after.empty()) port = after.substr(1);
  } else {
    const auto portColon = authority.find(L':');
    parts.host = std::wstring(authority.substr(0, portColon));
    if (portColon != std::wstring_view::npos) port = authority.substr(portColon + 1);
  }
  if (parts.host.empty() || port.size() > 5) return parts;
  for (wchar_t c : port) {
    if (c < L'0' || c > L'9') return parts;
  }
  parts.valid = true;
  return parts;
}

bool IsLoopbackHost(std::wstring_view host) {
  return host == L"127.0.0.1" || host == L"[::1]" || EqualsNoCase(host, L"localhost");
}

bool IsLoopbackHttp(const UrlParts& parts) { return parts.valid && parts.scheme == L"http" && IsLoopbackHost(parts.host); }

// Names the system opens as devices in any folder, with or without an extension.
bool IsDeviceName(std::wstring_view segment) {
  std::wstring base = FoldCase(Trim(segment.substr(0, segment.find(L'.'))));
  while (!base.empty() && (base.back() == L' ')) base.pop_back();
  static constexpr std::wstring_view kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const auto name : kNames) {
    if (base == name) return true;
  }
  return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'0' &&
         base[3] <= L'9';
}

// "..", and what the system turns into it by dropping trailing dots and spaces (".. ", "...").
bool ClimbsOut(std::wstring_view segment) {
  return segment.find(L"..") != std::wstring_view::npos &&
         segment.find_first_not_of(L". ") == std::wstring_view::npos;
}

std::wstring ChildText(const xml::DomNode& message, const wchar_t* name) {
  const xml::DomNode child = message.SelectSingleNode(name);
  return child.IsNothing() ? std::wstring() : Trim(child.Text());
}

std::wstring AttributeText(const xml::DomNode& node, const wchar_t* name) {
  const xml::DomNode attribute = node.Attributes().getNamedItem(name);
  return attribute.IsNothing() ? std::wstring() : Trim(attribute.Text());
}

Refusal RestrictionsOf(const xml::DomNode& message, const std::wstring& programFolder) {
  if (!IsAllowedMessageUri(ChildText(message, L"Uri"))) return Refusal::ForbiddenUri;
  const std::wstring check = ChildText(message, L"Check");
  if (!IsConfinedPath(check, false) || !IsConfinedPath(ExpandPathMacros(check), false)) return Refusal::ForbiddenPath;
  if (!IsConfinedPath(ChildText(message, L"Logo"), true) || !IsConfinedPath(ChildText(message, L"Sound"), true)) {
    return Refusal::ForbiddenPath;
  }
  const std::wstring style = AttributeText(message, L"Style");
  if (style.empty() || style.find_first_of(L"\\/") != std::wstring::npos || !IsConfinedPath(style, true) ||
      !FolderExists(StyleFolder(programFolder, style))) {
    return Refusal::UnknownStyle;
  }
  return Refusal::None;
}

Acceptance Refuse(Refusal refusal) {
  Acceptance result;
  result.Refused = refusal;
  return result;
}

Acceptance Accept(xml::DomDocument& doc, std::string_view bytes, std::string_view signature,
                  const AcceptanceContext& context) {
  if (context.Environment == nullptr) return Refuse(Refusal::FailsSelection);
  if (bytes.size() > kMaxPublishedBytes) return Refuse(Refusal::TooLarge);
  if (signature.size() > kMaxSignatureBytes) return Refuse(Refusal::SignatureTooLarge);
  if (!SignatureHolds(context, bytes, signature)) return Refuse(Refusal::BadSignature);
  if (!doc.LoadBytes(bytes)) return Refuse(Refusal::NotReadable);
  const xml::DomNode root = doc.documentElement();
  if (root.IsNothing()) return Refuse(Refusal::NotReadable);
  if (AttributeText(root, L"AppID") != context.LocalAppId) return Refuse(Refusal::OtherAppId);
  const auto serial = ParseSerial(AttributeText(root, L"Serial"));
  if (!serial) return Refuse(Refusal::NoSerial);
  if (context.KeptSerial && *serial < *context.KeptSerial) return Refuse(Refusal::Rollback);
  if (context.KeptSerial && *serial == *context.KeptSerial && bytes != context.KeptBytes) {
    return Refuse(Refusal::SameSerialOtherBytes);
  }
  const Refusal restricted = CheckMessageRestrictions(root, context.ProgramFolder);
  if (restricted != Refusal::None) return Refuse(restricted);

  CatalogueState state;
  if (!SelectMessagesFromBytes(&doc, bytes, state, *context.Environment, nullptr)) {
    return Refuse(Refusal::FailsSelection);
  }
  Acceptance result;
  result.Serial = *serial;
  for (auto& record : state.Messages) {
    if (!record.IsEmpty()) result.Messages.push_back(std::move(record));
  }
  return result;
}

}  // namespace

PublishedSource ReadPublishedSource(const std::optional<std::wstring>& source,
                                    const std::optional<std::wstring>& sourceKey,
                                    const std::optional<std::wstring>& sourceEvery) {
  PublishedSource result;
  if (!source || !sourceKey) return result;
  const std::wstring url = Trim(*source);
  if (!IsAllowedSourceUrl(url)) return result;
  result.Keys = UsableKeys(*sourceKey);
  if (result.Keys.empty()) return result;
  result.Url = url;
  if (sourceEvery) result.EveryHours = SourceEveryHours(*sourceEvery).value_or(kDefaultSourceEveryHours);
  return result;
}

std::optional<std::uint32_t> SourceEveryHours(std::wstring_view text) {
  const auto hours = ParseSerial(Trim(text));
  if (!hours || *hours > kMaxSourceEveryHours) return std::nullopt;
  return static_cast<std::uint32_t>(*hours);
}

PublishedSource ReadPublishedSource(const xml::DomNode& root) {
  const auto optional = [&](const wchar_t* name) -> std::optional<std::wstring> {
    const xml::DomNode attribute = root.Attributes().getNamedItem(name);
    if (attribute.IsNothing()) return std::nullopt;
    return attribute.Text();
  };
  return ReadPublishedSource(optional(L"Source"), optional(L"SourceKey"), optional(L"SourceEvery"));
}

bool IsAllowedSourceUrl(std::wstring_view url) {
  const UrlParts parts = SplitUrl(url);
  return parts.valid && (parts.scheme == L"https" || IsLoopbackHttp(parts));
}

bool IsAllowedRedirect(std::wstring_view from, std::wstring_view to) {
  const UrlParts target = SplitUrl(to);
  if (!target.valid) return false;
  if (target.scheme == L"https") return true;
  return IsLoopbackHttp(target) && IsLoopbackHttp(SplitUrl(from));
}

bool IsAllowedMessageUri(std::wstring_view uri) {
  if (uri.empty()) return true;
  for (wchar_t c : uri) {
    if (c < L' ' || c == 0x7F) return false;
  }
  if (StartsWithNoCase(uri, L"mailto:")) return uri.size() > 7;
  const UrlParts parts = SplitUrl(uri);
  return parts.valid && (parts.scheme == L"http" || parts.scheme == L"https");
}

bool IsConfinedPath(std::wstring_view path, bool relative) {
  const std::wstring text = ReplaceAll(path, L"/", L"\\");
  if (text.starts_with(L"\\\\")) return false;  // UNC, \\?\ and \\.\ alike
  if (relative && (text.starts_with(L"\\") || text.find(L':') != std::wstring::npos)) return false;
  // A colon only as a drive letter's: elsewhere it names a stream or a device.
  const auto colon = text.find(L':');
  if (colon != std::wstring::npos && (colon != 1 || text.find(L':', 2) != std::wstring::npos)) return false;
  std::size_t at = 0;
  while (at <= text.size()) {
    const auto end = std::min(text.find(L'\\', at), text.size());
    const std::wstring_view segment(text.data() + at, end - at);
    if (ClimbsOut(segment) || IsDeviceName(segment)) return false;
    at = end + 1;
  }
  return true;
}

std::optional<std::uint64_t> ParseSerial(std::wstring_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return value;
}

PublishedPaths PublishedPathsFor(const std::wstring& cachePath) {
  const std::wstring folder = ParentPath(cachePath, L"\\") + L"Published\\";
  return {folder, folder + L"Message.xml", folder + L"Message.xml.sig"};
}

bool FetchIsDue(const PublishedSource& source, const UserState& state, std::int64_t now) {
  if (!source.Enabled()) return false;
  if (state.NextAttempt && now < *state.NextAttempt) return false;
  if (source.EveryHours == 0 || !state.LastAttempt || *state.LastAttempt > now) return true;
  return now - *state.LastAttempt >= static_cast<std::int64_t>(source.EveryHours) * 3600;
}

std::wstring RefusalWords(Refusal refusal) {
  switch (refusal) {
    case Refusal::None: return L"";
    case Refusal::TooLarge: return L"too large";
    case Refusal::SignatureTooLarge: return L"signature too large";
    case Refusal::BadSignature: return L"bad signature";
    case Refusal::NotReadable: return L"not readable";
    case Refusal::OtherAppId: return L"other AppID";
    case Refusal::NoSerial: return L"no serial";
    case Refusal::Rollback: return L"rollback";
    case Refusal::SameSerialOtherBytes: return L"same serial, other bytes";
    case Refusal::FailsSelection: return L"fails the selection";
    case Refusal::ForbiddenUri: return L"forbidden Uri";
    case Refusal::ForbiddenPath: return L"forbidden path";
    case Refusal::UnknownStyle: return L"unknown style";
  }
  return L"unknown";
}

bool SignatureHolds(const AcceptanceContext& context, std::string_view bytes, std::string_view signature) {
  if (context.Verify) return context.Verify(bytes, signature);
  return context.Source != nullptr && VerifyWithAnyKey(bytes, signature, context.Source->Keys);
}

Refusal CheckMessageRestrictions(const xml::DomNode& root, const std::wstring& programFolder) {
  const auto messages = root.selectNodes(L".//Message");
  for (std::int32_t i = 0; i < messages.Length(); ++i) {
    const Refusal refusal = RestrictionsOf(messages.Item(i), programFolder);
    if (refusal != Refusal::None) return refusal;
  }
  return Refusal::None;
}

Refusal MessageRestrictions(const xml::DomNode& message, const std::wstring& programFolder) {
  return RestrictionsOf(message, programFolder);
}

Acceptance AcceptPublishedCopy(xml::DomDocument& doc, std::string_view bytes, std::string_view signature,
                               const AcceptanceContext& context) noexcept {
  return Trap(Refuse(Refusal::NotReadable), [&] { return Accept(doc, bytes, signature, context); });
}

std::size_t AppendArrivals(std::vector<MsgRecord>& queue, const std::vector<MsgRecord>& arrivals) {
  std::size_t end = 0;
  while (end < queue.size() && !queue[end].IsEmpty()) ++end;
  std::vector<MsgRecord> added;
  for (const auto& record : arrivals) {
    if (record.IsEmpty()) continue;
    const auto same = [&](const MsgRecord& other) { return EqualsNoCase(other.ID, record.ID); };
    if (std::any_of(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(end), same) ||
        std::any_of(added.begin(), added.end(), same)) {
      continue;
    }
    added.push_back(record);
  }
  queue.insert(queue.begin() + static_cast<std::ptrdiff_t>(end), added.begin(), added.end());
  if (queue.empty() || !queue.back().IsEmpty()) queue.emplace_back();
  return added.size();
}

}  // namespace notify
