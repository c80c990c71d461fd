#include "catalogue/selection.h"

#include <exception>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/cache.h"
#include "catalogue/message_items.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace notify {

namespace {

using xml::DomNode;

// A missing attribute is a Nothing node: reading it throws, failing the run.
std::wstring AttributeText(const DomNode& node, const wchar_t* name) {
  return node.Attributes().getNamedItem(name).Text();
}

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

// Tells the observer (when there is one) what was decided; returns whether it is Show.
bool Decide(SelectionObserver* observer, std::int32_t index, const std::wstring& id, MessageDecision decision,
            const std::wstring& detail = {}) {
  if (observer != nullptr) observer->Decided(index, id, decision, detail);
  return decision == MessageDecision::Show;
}

// True when the message is neither expired, nor suppressed by its check file, nor
// without identifier, nor seen. The items are read in this order, each only when needed.
bool Qualifies(MessageReader& read, const SelectionEnvironment& env, const SeenTest& seen, std::wstring& id,
               SelectionObserver* observer, std::int32_t index) {
  const auto observed = [&] { return observer != nullptr ? read.IdForObserver() : std::wstring(); };
  const std::wstring limit = Trim(*read.Text(kLimitItem));
  if (IsExpired(limit, env.Today(), *env.Dates)) return Decide(observer, index, observed(), MessageDecision::Expired, limit);
  const std::wstring check = Trim(*read.Text(kCheckItem));
  if (!check.empty()) {
    const std::wstring checkPath = ExpandPathMacros(check);
    if (FileExists(checkPath)) return Decide(observer, index, observed(), MessageDecision::CheckFile, checkPath);
  }
  id = Trim(*read.Text(kIdItem));
  if (id.empty()) return Decide(observer, index, id, MessageDecision::NoId);
  return Decide(observer, index, id, seen.IsSeen(id) ? MessageDecision::Seen : MessageDecision::Show);
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

bool LoadCatalogue(xml::DomDocument& doc, const std::wstring& path, SelectionObserver* observer) {
  if (doc.Load(path)) return true;
  if (observer != nullptr) observer->RunFailed(RunStage::LoadCatalogue, ToUtf8(doc.LastLoadFailure().reason));
  return false;
}

bool RunSelection(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env, SeenLookup lookup,
                  SelectionObserver* observer) {
  if (doc == nullptr || !env.Today || !env.Dates) return false;
  state.CatalogPath = AddTrailingBackslash(ProgramFolder()) + L"Message.xml";
  if (!LoadCatalogue(*doc, state.CatalogPath, observer)) return false;
  const DomNode root = Stage(observer, RunStage::ReadAppId, [&] {
    return doc->SelectSingleNode(doc->documentElement().baseName());
  });
  const std::wstring appId = Stage(observer, RunStage::ReadAppId, [&] { return Trim(AttributeText(root, L"AppID")); });
  const DomNode defer = root.Attributes().getNamedItem(L"Defer");
  state.Defer = defer.IsNothing() || !EqualsNoCase(Trim(defer.Text()), L"OFF");

  state.CachePath = CachePathFor(env.AppDataFolder, appId);
  if (observer != nullptr) observer->CatalogueRead(appId, state.CachePath);
  state.SeenIds = Stage(observer, RunStage::LoadCache, [&] {
    return env.SeenIds ? env.SeenIds(*doc, state.CachePath) : LoadSeenIds(*doc, state.CachePath);
  });
  // The cache replaced the catalogue in the shared document.
  if (!LoadCatalogue(*doc, state.CatalogPath, observer)) return false;

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
    MessageReader read(messages.Item(i), observer, i);
    try {
      std::wstring id;
      if (!Qualifies(read, env, seen, id, observer, i)) continue;
      MsgRecord& record = state.Messages[accepted];
      record.ID = id;
      read.Fill(record, ItemPhase::Shown);
      record.Recorded = false;
      ++accepted;
    } catch (...) {
      if (observer == nullptr) throw;
      // Go on, so that every failing message is told; the run still fails.
      read.ReportFailure(CauseOf(std::current_exception()));
      state.Messages[accepted] = MsgRecord{};
      failed = true;
    }
  }
  if (count < 1 && observer != nullptr) observer->RunFailed(RunStage::NoMessages, "the catalogue has no Message");
  return count >= 1 && !failed;
}

}  // namespace

SelectionEnvironment DefaultSelectionEnvironment() {
  return SelectionEnvironment{SpecialFolderPath(kCsidlAppData), &LocalToday,
                              std::shared_ptr<const DateParser>(SystemDateParser()), {}};
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SeenLookup lookup) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, lookup, nullptr); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SelectionObserver& observer) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, SeenLookup::Hashed, &observer); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env) noexcept {
  return SelectMessages(doc, state, env, SeenLookup::Hashed);
}

}  // namespace notify
