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

}  // namespace

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
