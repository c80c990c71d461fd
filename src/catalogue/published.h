#pragma once
// The published catalogue: the local catalogue's root attributes that ask for one
// (Source, SourceKey, SourceEvery), where the kept copy lives, when to fetch, and the
// rules a fetched copy must pass, all of them, before it is kept.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/msg_record.h"
#include "catalogue/selection.h"
#include "catalogue/user_state.h"
#include "platform/xml/dom.h"

namespace notify {

inline constexpr std::size_t kMaxPublishedBytes = 1024 * 1024;
inline constexpr std::size_t kMaxSignatureBytes = 1024;
inline constexpr std::uint32_t kDefaultSourceEveryHours = 24;

// What the local root asks for. A source is enabled only with an allowed URL and at least
// one usable key; anything else is ignored as if the attributes were absent.
struct PublishedSource {
  std::wstring Url;               // empty when absent or not allowed
  std::vector<std::string> Keys;  // DER SubjectPublicKeyInfo of each usable key
  std::uint32_t EveryHours = kDefaultSourceEveryHours;  // 0: fetch at every start
  bool Enabled() const { return !Url.empty() && !Keys.empty(); }
};

// From the attributes' texts (nothing: absent). A SourceEvery that is not a whole number
// of hours from 0 to 87600 keeps the default.
PublishedSource ReadPublishedSource(const std::optional<std::wstring>& source,
                                    const std::optional<std::wstring>& sourceKey,
                                    const std::optional<std::wstring>& sourceEvery);
// From the local catalogue's root element.
PublishedSource ReadPublishedSource(const xml::DomNode& root);

// https with a host; http only for 127.0.0.1, [::1] and localhost (any port). No user
// information, no white space or control characters.
bool IsAllowedSourceUrl(std::wstring_view url);
// Where a redirect may lead from `from`: https anywhere; http only from a loopback http
// source to a loopback host.
bool IsAllowedRedirect(std::wstring_view from, std::wstring_view to);

// A published message's Uri: empty, or an http, https or mailto address.
bool IsAllowedMessageUri(std::wstring_view uri);
// A Check, Logo or Sound path: never UNC or a device path (\\server\..., \\?\, \\.\, with
// either slash) and no ".." segment. `relative` also refuses rooted and drive paths
// (Logo and Sound are names inside the program's folders).
bool IsConfinedPath(std::wstring_view path, bool relative);

// A root Serial: a whole number of decimal digits, nothing else.
std::optional<std::uint64_t> ParseSerial(std::wstring_view text);

// <cache folder>\Published\Message.xml and Message.xml.sig.
struct PublishedPaths {
  std::wstring Folder;
  std::wstring Catalogue;
  std::wstring Signature;
};
PublishedPaths PublishedPathsFor(const std::wstring& cachePath);

// Whether start-up fetches: never with a disabled source; then when the Retry-After time
// has not been set or has passed, and EveryHours have passed since the last attempt (0:
// always). A last attempt in the future (a clock set back) does not block.
bool FetchIsDue(const PublishedSource& source, const UserState& state, std::int64_t now);

enum class Refusal {
  None,
  TooLarge,             // over kMaxPublishedBytes
  SignatureTooLarge,    // over kMaxSignatureBytes
  BadSignature,         // no key verifies it
  NotReadable,          // not well-formed XML, unknown encoding
  OtherAppId,           // root AppID differs from the local one
  NoSerial,             // root Serial missing or not a whole number
  Rollback,             // Serial lower than the kept copy's
  SameSerialOtherBytes, // Serial equal to the kept copy's, bytes differ
  FailsSelection,       // the selection's own rules fail on it as a whole catalogue
  ForbiddenUri,
  ForbiddenPath,
  UnknownStyle,         // Style names no folder Image\<Style>\ in the program folder
};
// "too large", "bad signature", "rollback"...: the words after "refused: " in State.xml.
std::wstring RefusalWords(Refusal refusal);

// The kept copy as it is on disk (both empty: none).
struct KeptCopy {
  std::string Bytes;
  std::string Signature;
};

struct AcceptanceContext {
  const PublishedSource* Source = nullptr;
  std::wstring LocalAppId;
  std::optional<std::uint64_t> KeptSerial;  // nothing: no kept copy
  std::string KeptBytes;                    // to tell an equal serial with the same bytes
  std::wstring ProgramFolder;               // trailing backslash; style folders live here
  const SelectionEnvironment* Environment = nullptr;  // the selection's rules and seen cache
  // Tells whether the signature is good; empty: VerifyWithAnyKey with the source's keys.
  std::function<bool(std::string_view bytes, std::string_view signature)> Verify;
};

// The context's verifier, or the source's keys.
bool SignatureHolds(const AcceptanceContext& context, std::string_view bytes, std::string_view signature);

struct Acceptance {
  Refusal Refused = Refusal::None;
  std::uint64_t Serial = 0;
  // The copy's due, unseen messages in catalogue order (no empty slots).
  std::vector<MsgRecord> Messages;
  bool Accepted() const { return Refused == Refusal::None; }
};

// Every rule, in order of cost: sizes, signature, readability, AppID, serial, the
// restrictions on each message, then the selection. Uses the given document.
Acceptance AcceptPublishedCopy(xml::DomDocument& doc, std::string_view bytes, std::string_view signature,
                               const AcceptanceContext& context) noexcept;

// The restriction rules alone over a parsed catalogue's Message elements (for the
// checker, which reports them per message): the first refusal, or None.
Refusal CheckMessageRestrictions(const xml::DomNode& root, const std::wstring& programFolder);

// The restriction rules over one Message element: its refusal, or None. The checker calls
// it to report each message's fault at its place.
Refusal MessageRestrictions(const xml::DomNode& message, const std::wstring& programFolder);

// A SourceEvery text's hours, or nothing when it is not a whole number from 0 to 87600 (the
// default then applies).
std::optional<std::uint32_t> SourceEveryHours(std::wstring_view text);

// Appends to `queue` (packed records from slot 0, then empty slots) the arrivals whose ID
// is not already in it (without regard to case), in their order, keeping one empty slot
// at the end. Returns how many were added.
std::size_t AppendArrivals(std::vector<MsgRecord>& queue, const std::vector<MsgRecord>& arrivals);

}  // namespace notify
