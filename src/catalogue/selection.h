#pragma once
// SelectMessages: reads "Message.xml" from the program folder (ProgramFolder(), the same
// folder the path macros use), reads the seen-message cache and fills the form's state
// with the messages to show. All or nothing: any failure yields false.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/audience.h"
#include "catalogue/conversions.h"
#include "catalogue/msg_record.h"
#include "catalogue/selection_observer.h"
#include "platform/xml/dom.h"

namespace notify {

// The popup form's catalogue state. Messages has one slot per Message element plus one;
// accepted records are packed from slot 0, the other slots stay empty records.
// SeenIds has one slot per cached identifier plus one empty slot.
struct CatalogueState {
  std::wstring CatalogPath;
  std::wstring CachePath;
  std::vector<std::wstring> SeenIds;
  std::vector<MsgRecord> Messages;
  // The root's optional Defer attribute: "OFF" (any case) shows messages without waiting
  // for a good moment.
  bool Defer = true;
  // The root's MaxPerRun and MinHours; with MinHours the time of each message shown is kept.
  Pacing RunPacing;
  PacingClock RunClock;  // as the selection judged MinHours; a published arrival is judged alike
  // The root's AppID, trimmed, and its optional published-catalogue attributes as written
  // (nothing: absent); ReadPublishedSource decides what they ask for.
  std::wstring AppId;
  std::optional<std::wstring> Source;
  std::optional<std::wstring> SourceKey;
  std::optional<std::wstring> SourceEvery;
};

struct SelectionEnvironment {
  std::wstring AppDataFolder;                 // base of the cache, trailing backslash
  std::function<CivilDate()> Today;           // asked once per message
  std::shared_ptr<const DateParser> Dates;    // reads the Limit attribute
  // Reads the seen identifiers (plus the empty slot); empty: LoadSeenIds, which creates a
  // missing cache. A tool that must write nothing supplies a reader that does not.
  std::function<std::vector<std::wstring>(xml::DomDocument& doc, const std::wstring& cachePath)> SeenIds;
  // Asked only when the catalogue needs them. The user's preferred UI languages, most
  // preferred first (empty: UserUiLanguages); the file version of the root's Program
  // (empty: its version resource); now in seconds since 1970 UTC (empty: the system clock);
  // when this user was last shown a message of the catalogue (empty: State.xml beside the cache).
  std::function<std::vector<std::wstring>()> Languages = {};
  std::function<std::optional<DottedVersion>(const std::wstring& programPath)> ProgramVersion = {};
  std::function<std::int64_t()> Now = {};
  std::function<std::optional<std::int64_t>(xml::DomDocument& doc, const std::wstring& cachePath)> LastShown = {};
};

// AppDataFolder = SpecialFolderPath(kCsidlAppData), Today = LocalToday,
// Dates = SystemDateParser().
SelectionEnvironment DefaultSelectionEnvironment();

bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env) noexcept;

// How the seen test is made. Only the hashed index is used by the program; the linear
// scan is the plain definition, kept to prove and measure the index against it.
enum class SeenLookup { Hashed, LinearScan };
bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SeenLookup lookup) noexcept;

// The same run, telling the observer each decision and each failure. It goes on past a
// failing message (the result stays false) so that all of them are told.
bool SelectMessages(xml::DomDocument* doc, CatalogueState& state, const SelectionEnvironment& env,
                    SelectionObserver& observer) noexcept;

// The same rules over a catalogue given as its file's bytes (a published copy) instead of
// the program folder's Message.xml; state.CatalogPath is left empty. observer may be null.
bool SelectMessagesFromBytes(xml::DomDocument* doc, std::string_view bytes, CatalogueState& state,
                             const SelectionEnvironment& env, SelectionObserver* observer) noexcept;

}  // namespace notify
