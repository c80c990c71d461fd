#include "catalogue/cache.h"

#include <limits>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/xml_services.h"

namespace notify {

namespace {

void CreateCacheWhenMissing(xml::DomDocument& doc, const std::wstring& cachePath) {
  // A failed creation shows up as the load failure that follows.
  if (!FileExists(cachePath)) (void)xml::CreateXmlFile(&doc, cachePath, L"GB2312", L"<Config/>");
}

std::vector<std::wstring> LoadExisting(xml::DomDocument& doc, const std::wstring& cachePath) {
  if (!doc.Load(cachePath)) Fail("The seen-message cache cannot be loaded");
  const auto nodes = doc.selectNodes(L".//ID");
  const std::int32_t count = nodes.Length();
  if (count > std::numeric_limits<std::int16_t>::max()) Fail("Overflow");
  std::vector<std::wstring> seenIds(static_cast<std::size_t>(count) + 1);
  for (std::int32_t i = 0; i < count; ++i) seenIds[static_cast<std::size_t>(i)] = Trim(nodes.Item(i).Text());
  return seenIds;
}

bool ReservedDeviceName(std::wstring name) {
  // Windows ignores trailing blanks when it matches device names, and superscript digits count.
  while (!name.empty() && name.back() == L' ') name.pop_back();
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"}) {
    if (EqualsNoCase(name, device)) return true;
  }
  if (name.size() != 4) return false;
  const std::wstring stem = name.substr(0, 3);
  const wchar_t digit = name[3];
  return (EqualsNoCase(stem, L"COM") || EqualsNoCase(stem, L"LPT")) &&
         ((digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3');
}

}  // namespace

std::wstring CachePathProblem(const std::wstring& appId, const std::wstring& cachePath) {
  // The folders below Korvane: CachePathFor turns each '.' into a separator, and '\\' and '/'
  // separate on Windows anyway.
  std::wstring part;
  for (std::size_t i = 0; i <= appId.size(); ++i) {
    const wchar_t c = i < appId.size() ? appId[i] : L'.';
    if (c == L'.' || c == L'\\' || c == L'/') {
      if (ReservedDeviceName(part)) return L"the folder \"" + part + L"\" is a reserved device name";
      part.clear();
      continue;
    }
    if (c < 32 || std::wstring_view(L":|*?\"<>").find(c) != std::wstring_view::npos) {
      const std::wstring shown = c < 32 ? L"control character " + std::to_wstring(static_cast<int>(c))
                                        : L"character '" + std::wstring(1, c) + L"'";
      return L"the " + shown + L" cannot be part of a file name";
    }
    part += c;
  }
  constexpr std::size_t kMaxPath = 260;  // with the terminating null
  if (cachePath.size() >= kMaxPath) {
    return L"the path is " + std::to_wstring(cachePath.size()) + L" characters long, more than the " +
           std::to_wstring(kMaxPath - 1) + L" a path may have";
  }
  return {};
}

std::wstring CachePathFor(const std::wstring& appDataFolder, const std::wstring& appId) {
  return AddTrailingBackslash(appDataFolder + L"Korvane\\" + ReplaceAll(appId, L".", L"\\")) + L"MessageCache.xml";
}

std::vector<std::wstring> LoadSeenIds(xml::DomDocument& doc, const std::wstring& cachePath) {
  CreateCacheWhenMissing(doc, cachePath);
  return LoadExisting(doc, cachePath);
}

std::vector<std::wstring> ReadSeenIds(xml::DomDocument& doc, const std::wstring& cachePath) {
  if (!FileExists(cachePath)) return std::vector<std::wstring>(1);
  return LoadExisting(doc, cachePath);
}

void RecordSeenId(xml::DomDocument* doc, const std::wstring& cachePath, MsgRecord& record) noexcept {
  TrapVoid([&] {
    if (doc == nullptr) return;
    CreateCacheWhenMissing(*doc, cachePath);
    if (!doc->Load(cachePath)) return;
    auto config = doc->SelectSingleNode(L".//Config");
    auto id = doc->createElement(L"ID");
    id.Text(record.ID);
    config.appendChild(id);  // a cache without Config fails here, before anything is written
    const xml::PreserveWhitespaceScope preserve(*doc);
    doc->Save(cachePath);
    record.Recorded = true;
  });
}

SeenIdIndex::SeenIdIndex(std::span<const std::wstring> seenIds) {
  folded_.reserve(seenIds.size());
  for (const auto& id : seenIds) folded_.insert(FoldCase(id));
}

bool SeenIdIndex::Contains(std::wstring_view id) const { return folded_.contains(FoldCase(id)); }

}  // namespace notify
