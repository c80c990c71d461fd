#pragma once
// The small per-user state file "State.xml", in the same folder as MessageCache.xml and
// saved atomically like it. It holds what the published catalogue's fetch needs from one
// start to the next (and support may read), and the time the last message was shown.
//
// Outcome words (the Outcome attribute; the checker and support read them):
//   "accepted"            a new copy was fetched, verified and kept
//   "not modified"        the server answered 304; the kept copy stays
//   "unchanged"           200 with the same bytes as the kept copy
//   "refused: <reason>"   a copy arrived and was refused whole (reasons: see
//                         RefusalWords in catalogue/published.h)
//   "failed: <reason>"    no copy arrived: "network" (no answer, TLS, timeout, proxy),
//                         "http status" (any status but 200 and 304), "redirect",
//                         "signature missing", "save"
// Times are UTC, written as "YYYY-MM-DDThh:mm:ssZ".
#include <cstdint>
#include <optional>
#include <string>

#include "platform/xml/dom.h"

namespace notify {

struct UserState {
  // The published fetch.
  std::wstring ETag;
  std::wstring LastModified;                // the server's header, as sent
  std::optional<std::int64_t> LastAttempt;  // seconds since 1970-01-01 UTC
  std::wstring Outcome;                     // words as listed above
  std::int32_t HttpStatus = 0;              // 0: no answer
  std::optional<std::int64_t> NextAttempt;  // set by Retry-After on 429 and 503
  std::optional<std::uint64_t> Serial;      // the kept copy's Serial
  // The time the last message was shown (for pacing); kept as it was read when unset here.
  std::optional<std::int64_t> LastShown;

  bool operator==(const UserState&) const = default;
};

// The State.xml beside the cache at cachePath.
std::wstring StatePathFor(const std::wstring& cachePath);

// The state in the file; a missing or unreadable file (or attribute) gives the defaults.
// Uses (and replaces the content of) the given document.
UserState LoadUserState(xml::DomDocument& doc, const std::wstring& statePath) noexcept;

// Writes the whole state atomically, creating the folder. False on failure; the old file
// then stays as it was.
bool SaveUserState(const std::wstring& statePath, const UserState& state) noexcept;

}  // namespace notify
