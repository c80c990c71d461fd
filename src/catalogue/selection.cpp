#include "catalogue/selection.h"

#include <exception>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include <cstdio>

#include "catalogue/cache.h"
#include "catalogue/message_items.h"
#include "catalogue/user_state.h"
#include "platform/error.h"
#include "platform/file_version.h"
#include "platform/user_languages.h"
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

// A root attribute that may be absent, told to the observer as item -1.
std::optional<std::wstring> RootItem(const DomNode& root, const wchar_t* name, SelectionObserver* observer) {
  const DomNode attribute = root.Attributes().getNamedItem(name);
  if (attribute.IsNothing()) return std::nullopt;
  std::wstring text = attribute.Text();
  if (observer != nullptr) observer->ItemRead(-1, {L"", name, ValueKind::Whole}, text);
  return text;
}

// A pacing count: a whole number from `least` to 32767.
std::optional<std::int32_t> Count(const std::optional<std::wstring>& text, const wchar_t* name, std::int16_t least) {
  if (!text) return std::nullopt;
  const std::int16_t count = Trap(std::int16_t{-1}, [&] { return Int16FromText(*text); });
  if (count < least) Fail(ToUtf8(name) + " is not a whole number from " + std::to_string(least) + " to 32767");
  return count;
}

// What the audience rules ask of the machine, each asked once and only when a message
// needs it.
class RunContext {
 public:
  RunContext(const SelectionEnvironment& env, std::optional<std::wstring> program)
      : env_(env), program_(std::move(program)) {}
  // The clock is asked once for each message, so that a run across midnight judges each by its own day.
  const AudienceContext& NextMessage() {
    audience_.today = env_.Today();
    return audience_;
  }
  const AudienceContext& Audience(const MsgRecord& record) {
    if (!record.Lang.empty() && !languages_) {
      audience_.languages = env_.Languages ? env_.Languages() : UserUiLanguages();
      languages_ = true;
    }
    if ((record.MinVersion || record.BelowVersion) && !version_) {
      if (program_) audience_.programVersion = ProgramVersionOf(ExpandPathMacros(*program_));
      version_ = true;
    }
    return audience_;
  }

 private:
  std::optional<DottedVersion> ProgramVersionOf(const std::wstring& path) const {
    if (env_.ProgramVersion) return env_.ProgramVersion(path);
    const auto words = Trap(std::optional<FileVersionWords>(), [&] { return ReadFileVersionWords(path); });
    if (!words) return std::nullopt;
    return DottedVersion{static_cast<std::uint16_t>(words->ms >> 16), static_cast<std::uint16_t>(words->ms & 0xFFFF),
                         static_cast<std::uint16_t>(words->ls >> 16), static_cast<std::uint16_t>(words->ls & 0xFFFF)};
  }
  const SelectionEnvironment& env_;
  std::optional<std::wstring> program_;
  AudienceContext audience_;
  bool languages_ = false;
  bool version_ = false;
};

std::wstring IsoDate(const CivilDate& date) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%04d-%02d-%02d", date.Year, date.Month, date.Day);
  return text;
}

std::wstring Joined(const std::vector<std::wstring>& words) {
  std::wstring text;
  for (const auto& word : words) text += (text.empty() ? L"" : L" ") + word;
  return text;
}

// What decides whether the message shows, in the order of its items: Start (which also
// passes a Limit that has passed), Limit, check file, ID, language, version, seen. A
// message told Show here may still be held by pacing once it has been read in full.
bool Qualifies(MessageReader& read, MsgRecord& record, RunContext& context, const SelectionEnvironment& env,
               const SeenTest& seen, SelectionObserver* observer, std::int32_t index) {
  const auto observed = [&] { return observer != nullptr ? read.IdForObserver() : std::wstring(); };
  const std::wstring limit = Trim(*read.Text(kLimitItem));
  if (observer != nullptr) observer->LimitRead(index, limit);
  const AudienceContext& today = context.NextMessage();
  const bool expired = IsExpired(limit, today.today, *env.Dates);
  read.Fill(record, ItemPhase::Start);
  if (StartRule(record, today) == Audience::NotYet) {
    return Decide(observer, index, observed(), MessageDecision::NotYet, IsoDate(*record.Start));
  }
  if (expired) return Decide(observer, index, observed(), MessageDecision::Expired, limit);
  const std::wstring check = Trim(*read.Text(kCheckItem));
  if (!check.empty()) {
    const std::wstring checkPath = ExpandPathMacros(check);
    if (observer != nullptr) observer->PathExpanded(index, kCheckItem.item, ExplainPathMacros(check));
    if (FileExists(checkPath)) return Decide(observer, index, observed(), MessageDecision::CheckFile, checkPath);
  }
  record.ID = Trim(*read.Text(kIdItem));
  if (record.ID.empty()) return Decide(observer, index, record.ID, MessageDecision::NoId);
  read.Fill(record, ItemPhase::Audience);
  const AudienceContext& audience = context.Audience(record);
  switch (LanguageAndVersionRules(record, audience)) {
    case Audience::OtherLanguage:
      return Decide(observer, index, record.ID, MessageDecision::OtherLanguage, Joined(audience.languages));
    case Audience::OtherVersion:
      return Decide(observer, index, record.ID, MessageDecision::OtherVersion,
                    audience.programVersion ? VersionText(*audience.programVersion) : std::wstring());
    case Audience::Due:
    case Audience::NotYet: break;
  }
  if (seen.IsSeen(record.ID)) return Decide(observer, index, record.ID, MessageDecision::Seen);
  return true;
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

// The catalogue's file, or its bytes when it came from elsewhere.
struct CatalogueFile {
  std::wstring path;
  std::optional<std::string_view> bytes;
};

bool LoadCatalogue(xml::DomDocument& doc, const CatalogueFile& file, SelectionObserver* observer) {
  if (!file.bytes ? doc.Load(file.path) : doc.LoadBytes(*file.bytes)) return true;
  if (observer != nullptr) observer->RunFailed(RunStage::LoadCatalogue, ToUtf8(doc.LastLoadFailure().reason));
  return false;
}

std::optional<std::wstring> OptionalAttribute(const DomNode& root, const wchar_t* name) {
  const DomNode attribute = root.Attributes().getNamedItem(name);
  if (attribute.IsNothing()) return std::nullopt;
  return attribute.Text();
}

bool RunSelection(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env, SeenLookup lookup,
                  SelectionObserver* observer, const CatalogueFile& file) {
  if (doc == nullptr || !env.Today || !env.Dates) return false;
  state.CatalogPath = file.path;
  if (!LoadCatalogue(*doc, file, observer)) return false;
  const DomNode root = Stage(observer, RunStage::ReadAppId, [&] {
    return doc->SelectSingleNode(doc->documentElement().baseName());
  });
  const std::wstring appId = Stage(observer, RunStage::ReadAppId, [&] { return Trim(AttributeText(root, L"AppID")); });
  const DomNode defer = root.Attributes().getNamedItem(L"Defer");
  state.Defer = defer.IsNothing() || !EqualsNoCase(Trim(defer.Text()), L"OFF");
  state.AppId = appId;
  state.Source = OptionalAttribute(root, L"Source");
  state.SourceKey = OptionalAttribute(root, L"SourceKey");
  state.SourceEvery = OptionalAttribute(root, L"SourceEvery");
  const auto program = RootItem(root, L"Program", observer);
  state.RunPacing = Stage(observer, RunStage::ReadPacing, [&] {
    return Pacing{Count(RootItem(root, L"MaxPerRun", observer), L"MaxPerRun", 1),
                  Count(RootItem(root, L"MinHours", observer), L"MinHours", 0)};
  });

  state.CachePath = CachePathFor(env.AppDataFolder, appId);
  if (observer != nullptr) observer->CatalogueRead(appId, state.CachePath);
  state.SeenIds = Stage(observer, RunStage::LoadCache, [&] {
    return env.SeenIds ? env.SeenIds(*doc, state.CachePath) : LoadSeenIds(*doc, state.CachePath);
  });
  // Read before the catalogue is loaded again, since the state file goes through the same document.
  PacingClock clock;
  if (state.RunPacing.minHours) {
    clock.now = env.Now ? env.Now() : SecondsSince1970();
    clock.lastShown = env.LastShown ? env.LastShown(*doc, state.CachePath)
                                    : LoadUserState(*doc, StatePathFor(state.CachePath)).LastShown;
  }
  state.RunClock = clock;
  // The cache replaced the catalogue in the shared document.
  if (!LoadCatalogue(*doc, file, observer)) return false;

  const auto messages = doc->selectNodes(L".//Message");
  const std::int32_t count = messages.Length();
  if (count > std::numeric_limits<std::int16_t>::max()) {
    if (observer != nullptr) observer->RunFailed(RunStage::TooManyMessages, "Overflow");
    Fail("Overflow");
  }
  state.Messages.assign(static_cast<std::size_t>(count) + 1, MsgRecord{});

  const SeenTest seen(state.SeenIds, lookup);
  RunContext context(env, program);
  std::size_t accepted = 0;
  bool failed = false;
  for (std::int32_t i = 0; i < count; ++i) {
    MessageReader read(messages.Item(i), *env.Dates, observer, i);
    try {
      MsgRecord& record = state.Messages[accepted];
      if (!Qualifies(read, record, context, env, seen, observer, i)) {
        record = MsgRecord{};
        continue;
      }
      read.Fill(record, ItemPhase::Shown);
      record.Recorded = false;
      // Read in full first, so that a held message with a bad value fails today, not the day it is due.
      const Held held = PacingRule(state.RunPacing, static_cast<std::int32_t>(accepted), clock);
      if (held != Held::No) {
        record = MsgRecord{};
        Decide(observer, i, read.IdForObserver(), MessageDecision::Held,
               held == Held::PerRun ? std::wstring(L"MaxPerRun")
                                    : L"MinHours " + std::to_wstring(HeldUntil(state.RunPacing, clock)));
        continue;
      }
      Decide(observer, i, record.ID, MessageDecision::Show);
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

CatalogueFile ProgramCatalogue() { return {AddTrailingBackslash(ProgramFolder()) + L"Message.xml", std::nullopt}; }

}  // namespace

SelectionEnvironment DefaultSelectionEnvironment() {
  return SelectionEnvironment{SpecialFolderPath(kCsidlAppData), &LocalToday,
                              std::shared_ptr<const DateParser>(SystemDateParser()), {}};
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SeenLookup lookup) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, lookup, nullptr, ProgramCatalogue()); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SelectionObserver& observer) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, SeenLookup::Hashed, &observer, ProgramCatalogue()); });
}

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env) noexcept {
  return SelectMessages(doc, state, env, SeenLookup::Hashed);
}

bool SelectMessagesFromBytes(xml::DomDocument* doc, std::string_view bytes, CatalogueState& state,
                             const SelectionEnvironment& env, SelectionObserver* observer) noexcept {
  return Trap(false, [&] { return RunSelection(doc, state, env, SeenLookup::Hashed, observer, {L"", bytes}); });
}

}  // namespace notify
