// The whole selection: a fuzzed Message.xml in a scratch program folder and a fuzzed
// MessageCache.xml in a scratch application-data folder. The input is the catalogue,
// optionally followed by kCacheSeparator and the cache's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/conversions.h"
#include "catalogue/selection.h"
#include "checker/check.h"
#include "fuzz_support.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/file_io.h"

using namespace notify;

namespace {

constexpr std::string_view kCacheSeparator = "\n--MessageCache.xml--\n";

constexpr CivilDate kToday{2026, 12, 9};

SelectionEnvironment Environment() {
  return SelectionEnvironment{fuzz::ScratchFolder() + L"data\\", [] { return kToday; },
                              std::make_shared<PortableDateParser>(), {}};
}

// What every successful selection must satisfy, whatever the files held.
void CheckOutcome(const CatalogueState& state) {
  if (state.SeenIds.empty() || !state.SeenIds.back().empty()) fuzz::PropertyFailed("no empty last seen slot");
  if (state.Messages.empty() || !state.Messages.back().IsEmpty()) fuzz::PropertyFailed("no empty spare slot");
  bool packed = true;
  for (const auto& record : state.Messages) {
    if (record.IsEmpty()) {
      packed = false;
      continue;
    }
    if (!packed) fuzz::PropertyFailed("an accepted message after an empty slot", record.ID);
    for (const auto& seen : state.SeenIds) {
      if (!seen.empty() && EqualsNoCase(seen, record.ID)) fuzz::PropertyFailed("a seen message was selected", seen);
    }
  }
}

// The oracle, from the two files read directly: the IDs that show are those of the messages
// not expired, without an existing check file, with an ID, and not in the cache, in order.
// Asked only after a selection succeeded, so every item it reads is there.
std::vector<std::wstring> ExpectedIds(const std::wstring& cachePath) {
  std::vector<std::wstring> seen;
  xml::DomDocument cache(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  if (!cache.Load(cachePath)) fuzz::PropertyFailed("the oracle cannot load the cache", cachePath);
  const auto ids = cache.selectNodes(L".//ID");
  for (std::int32_t i = 0; i < ids.Length(); ++i) seen.push_back(Trim(ids.Item(i).Text()));

  xml::DomDocument catalogue(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  if (!catalogue.Load(ProgramFolder() + L"Message.xml")) fuzz::PropertyFailed("the oracle cannot load the catalogue");
  std::vector<std::wstring> expected;
  const auto messages = catalogue.selectNodes(L".//Message");
  for (std::int32_t i = 0; i < messages.Length(); ++i) {
    const auto message = messages.Item(i);
    const auto attribute = [&](const wchar_t* name) { return Trim(message.Attributes().getNamedItem(name).Text()); };
    if (IsExpired(attribute(L"Limit"), kToday, PortableDateParser())) continue;
    std::wstring check;
    const auto children = message.childNodes();
    for (std::int32_t c = 0; c < children.Length(); ++c) {
      const auto child = children.Item(c);
      if (child.kind() == xml::NodeKind::Element && child.nodeName() == L"Check") {
        check = Trim(child.Text());
        break;
      }
    }
    if (!check.empty() && FileExists(ExpandPathMacros(check))) continue;
    const std::wstring id = attribute(L"ID");
    if (id.empty()) continue;
    if (std::none_of(seen.begin(), seen.end(), [&](const auto& s) { return EqualsNoCase(s, id); })) {
      expected.push_back(id);
    }
  }
  return expected;
}

void CheckOracleAgrees(const CatalogueState& state) {
  const auto expected = ExpectedIds(state.CachePath);
  std::size_t shown = 0;
  for (const auto& record : state.Messages) {
    if (record.IsEmpty()) break;
    if (shown >= expected.size() || expected[shown] != record.ID) {
      fuzz::PropertyFailed("the selection shows what the files do not call for", record.ID);
    }
    ++shown;
  }
  if (shown != expected.size()) fuzz::PropertyFailed("the selection leaves out a message the files call for");
}

// The checker runs the same rules with observers attached: it must find the catalogue
// readable exactly when the selection succeeds, and list the same messages in order.
void CheckCheckerAgrees(bool selected, const CatalogueState& state, checker::CacheMode mode) {
  checker::CheckOptions options;
  options.folder = ProgramFolder();
  options.today = kToday;
  options.cache = mode;
  options.cacheFile = state.CachePath;
  options.dates = std::make_shared<PortableDateParser>();
  xml::DomDocument doc(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  const auto report = checker::CheckFolder(options, doc);
  if (report.readable != selected) fuzz::PropertyFailed("the checker and the selection disagree on readable");
  if (!selected) return;
  std::size_t shown = 0;
  for (const auto& record : state.Messages) {
    if (record.IsEmpty()) break;
    if (shown >= report.show.size() || !(report.show[shown].second == record)) {
      fuzz::PropertyFailed("the checker's show list differs from the selection", record.ID);
    }
    ++shown;
  }
  if (shown != report.show.size()) fuzz::PropertyFailed("the checker shows more than the selection");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto input = fuzz::AsBytes(data, size);
  const auto split = input.find(kCacheSeparator);
  const auto catalogue = input.substr(0, split);
  const std::optional<std::string_view> cache =
      split == std::string_view::npos ? std::nullopt : std::optional(input.substr(split + kCacheSeparator.size()));

  fuzz::ClearScratch();
  SetProgramFolder(fuzz::ScratchFolder() + L"app\\");
  fuzz::WriteFile(ProgramFolder() + L"Message.xml", catalogue);
  const auto env = Environment();
  xml::DomDocument doc(xml::CreateDomBackend(L"MSXML2.DOMDocument"));

  // First without a cache: the selection creates it where the catalogue's AppID says.
  CatalogueState state;
  const bool selected = SelectMessages(&doc, state, env);
  if (selected) {
    CheckOutcome(state);
    CheckOracleAgrees(state);
  }
  CheckCheckerAgrees(selected, state, checker::CacheMode::NewUser);
  if (state.CachePath.empty() || !cache) return 0;
  if (FileExists(state.CachePath) && !doc.Load(state.CachePath)) {
    fuzz::PropertyFailed("the cache the selection created does not load", state.CachePath);
  }

  // Then with the fuzzed cache in that place, which a selection must never rewrite.
  // An AppID may name a path the file system refuses (too long, say); nothing to test then.
  if (!fuzz::TryWriteFile(state.CachePath, *cache)) return 0;
  CatalogueState again;
  const bool selectedAgain = SelectMessages(&doc, again, env);
  if (selectedAgain) {
    CheckOutcome(again);
    CheckOracleAgrees(again);
  }
  CheckCheckerAgrees(selectedAgain, again, checker::CacheMode::File);
  if (xml::ReadFileBytes(state.CachePath) != std::string(*cache)) {
    fuzz::PropertyFailed("the selection changed an existing cache", state.CachePath);
  }
  return 0;
}
