// The whole selection: a fuzzed Message.xml in a scratch program folder and a fuzzed
// MessageCache.xml in a scratch application-data folder. The input is the catalogue,
// optionally followed by kCacheSeparator and the cache's bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/selection.h"
#include "checker/check.h"
#include "fuzz_support.h"
#include "platform/paths.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/file_io.h"

using namespace notify;

namespace {

constexpr std::string_view kCacheSeparator = "\n--MessageCache.xml--\n";

SelectionEnvironment Environment() {
  return SelectionEnvironment{fuzz::ScratchFolder() + L"data\\", [] { return CivilDate{2026, 12, 9}; },
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

// The checker runs the same rules with observers attached: it must find the catalogue
// readable exactly when the selection succeeds, and list the same messages in order.
void CheckCheckerAgrees(bool selected, const CatalogueState& state, checker::CacheMode mode) {
  checker::CheckOptions options;
  options.folder = ProgramFolder();
  options.today = CivilDate{2026, 12, 9};
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
  if (selected) CheckOutcome(state);
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
  if (selectedAgain) CheckOutcome(again);
  CheckCheckerAgrees(selectedAgain, again, checker::CacheMode::File);
  if (xml::ReadFileBytes(state.CachePath) != std::string(*cache)) {
    fuzz::PropertyFailed("the selection changed an existing cache", state.CachePath);
  }
  return 0;
}
