#pragma once
// The published catalogue during one run. At start it reads State.xml and the kept copy
// (verified again) and, when due, fetches on its own thread so that nothing local waits.
// The show loop asks for arrivals between messages; all XML and file work is done then,
// on the caller's thread, and only the network wait runs on the worker.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/msg_record.h"
#include "catalogue/published.h"
#include "catalogue/selection.h"
#include "catalogue/user_state.h"
#include "platform/web_fetch.h"
#include "platform/xml/dom.h"

namespace notify {

// The catalogue and its signature, fetched together by the worker.
struct FetchedCopy {
  WebResponse Catalogue;
  WebResponse Signature;
};

struct PublicationSetup {
  PublishedSource Source;
  std::wstring AppId;
  std::wstring CachePath;      // the seen cache; State.xml and Published\ sit beside it
  std::wstring ProgramFolder;  // trailing backslash
  SelectionEnvironment Environment;
  std::wstring UserAgent;
  std::function<std::int64_t()> Now;                       // seconds since 1970 UTC
  std::function<WebResponse(const WebRequest&)> Fetch;     // FetchUrl in the product
  std::uint32_t WaitBoundMs = 35000;                       // longest wait at the end of a run
  // Empty: the source's keys (AcceptanceContext::Verify).
  std::function<bool(std::string_view bytes, std::string_view signature)> Verify;
};

// What a finished fetch did, for State.xml: the state as saved, and the records it brought.
struct FetchOutcome {
  UserState State;
  std::vector<MsgRecord> Messages;
  bool Kept = false;  // a new copy was written to Published\ .
};

// Applies a finished fetch on the caller's thread: acceptance, the kept copy's atomic
// save, State.xml. Portable and pure apart from the files named in `setup`.
FetchOutcome ApplyFetchedCopy(xml::DomDocument& doc, const PublicationSetup& setup, const UserState& before,
                              const FetchedCopy& fetched, std::int64_t attemptTime) noexcept;

class Publication {
 public:
  Publication(xml::DomDocument& doc, PublicationSetup setup);
  ~Publication();
  Publication(const Publication&) = delete;
  Publication& operator=(const Publication&) = delete;

  // Reads State.xml and the kept copy (its signature only); starts the worker when a
  // fetch is due.
  void Start() noexcept;
  // Records that arrived since the last call: the kept copy's due, unseen messages first,
  // then those of a copy accepted during this run. With `wait`, when nothing is ready
  // and a fetch is under way, calls `waitStep` (which must let the worker run, e.g. a
  // short wait that dispatches window messages) until it ends or the bound passes.
  std::vector<MsgRecord> Arrived(bool wait, const std::function<void()>& waitStep) noexcept;
  bool FetchUnderWay() const noexcept;

 private:
  struct Shared;
  void TakeKeptCopy();
  void TakeFinishedFetch();
  xml::DomDocument& doc_;
  PublicationSetup setup_;
  UserState state_;
  std::optional<KeptCopy> kept_;  // signature verified, the rest not yet
  std::vector<MsgRecord> ready_;
  std::shared_ptr<Shared> shared_;  // the worker's slot; outlives an abandoned worker
  std::int64_t attemptTime_ = 0;
};

}  // namespace notify
