#pragma once
// Who a message is for and when: the start day, the user's languages, the host program's
// version and the pacing of a run. Pure functions of the record and a context the caller
// gives, so that the checker and tests say what the machine would.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/conversions.h"
#include "catalogue/msg_record.h"

namespace notify {

// The context of one run.
struct AudienceContext {
  CivilDate today;
  std::vector<std::wstring> languages;          // the user's preferred UI languages, in order
  std::optional<DottedVersion> programVersion;  // nothing: no Program, or its version unreadable
};

// Up to four whole numbers from 0 to 65535 separated by dots; the missing ones are 0.
std::optional<DottedVersion> ParseVersion(std::wstring_view text);
// Throws (a value that does not convert) where ParseVersion gives nothing.
DottedVersion VersionFromText(std::wstring_view text);
std::wstring VersionText(const DottedVersion& version);

// The Lang attribute's tags, split at white space.
std::vector<std::wstring> LanguageTags(std::wstring_view text);
// A tag with a region matches that language and region; one without matches the language
// in any region. Case does not matter.
bool LanguageMatches(std::wstring_view tag, std::wstring_view userLanguage);
// Letters for the language (2 or 3), then subtags of letters and digits, joined by '-'.
bool IsWellFormedLanguageTag(std::wstring_view tag);

enum class Audience { Due, NotYet, OtherLanguage, OtherVersion };
// Start, before the Limit is looked at.
Audience StartRule(const MsgRecord& record, const AudienceContext& context);
// Languages, then the version range.
Audience LanguageAndVersionRules(const MsgRecord& record, const AudienceContext& context);

// The root's pacing; nothing: no limit of that kind.
struct Pacing {
  std::optional<std::int32_t> maxPerRun;
  std::optional<std::int32_t> minHours;
};

// Seconds since 1970-01-01 UTC.
struct PacingClock {
  std::int64_t now = 0;
  std::optional<std::int64_t> lastShown;
};

enum class Held { No, PerRun, Hours };
// shownSoFar: messages this run already lets through, in catalogue order.
Held PacingRule(const Pacing& pacing, std::int32_t shownSoFar, const PacingClock& clock);
// How many of `arriving` messages, queued after `shownSoFar`, the run's pacing lets through.
std::size_t PacedCount(const Pacing& pacing, std::int32_t shownSoFar, const PacingClock& clock, std::size_t arriving);
// When a run may show again after a MinHours hold (seconds since 1970-01-01 UTC).
std::int64_t HeldUntil(const Pacing& pacing, const PacingClock& clock);
// The system clock, seconds since 1970-01-01 UTC.
std::int64_t SecondsSince1970();

}  // namespace notify
