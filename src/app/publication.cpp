#include "app/publication.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/xml/file_io.h"

namespace notify {

namespace {

// A Retry-After longer than this is taken as this: a bad header must not silence a source.
constexpr std::int64_t kLongestRetryAfter = 7 * 24 * 3600;

std::wstring Failed(const wchar_t* why) { return std::wstring(L"failed: ") + why; }

AcceptanceContext ContextFor(const PublicationSetup& setup, std::optional<std::uint64_t> keptSerial,
                             std::string keptBytes) {
  AcceptanceContext context;
  context.Source = &setup.Source;
  context.LocalAppId = setup.AppId;
  context.KeptSerial = keptSerial;
  context.KeptBytes = std::move(keptBytes);
  context.ProgramFolder = setup.ProgramFolder;
  context.Environment = &setup.Environment;
  context.Verify = setup.Verify;
  return context;
}

// The kept copy's bytes when both files are there, else nothing.
std::optional<KeptCopy> ReadKeptCopy(const PublishedPaths& paths) {
  auto bytes = xml::ReadFileBytes(paths.Catalogue);
  auto signature = xml::ReadFileBytes(paths.Signature);
  if (!bytes || !signature) return std::nullopt;
  return KeptCopy{std::move(*bytes), std::move(*signature)};
}

// The popup may have written the time it last showed a message since the state was read at
// the start; the fetch's state must not put the older time back.
void SaveFetchState(xml::DomDocument& doc, const std::wstring& cachePath, UserState& state) {
  const std::wstring path = StatePathFor(cachePath);
  state.LastShown = LoadUserState(doc, path).LastShown;
  (void)SaveUserState(path, state);
}

// The response's status and failure as State.xml words, for everything but a 200 with a
// signature; nothing when the copy should go on to acceptance.
std::optional<std::wstring> FailureWords(const FetchedCopy& fetched) {
  const WebResponse& catalogue = fetched.Catalogue;
  switch (catalogue.Failure) {
    case WebFailure::Network: return Failed(L"network");
    case WebFailure::Redirect: return Failed(L"redirect");
    case WebFailure::TooLarge: return L"refused: " + RefusalWords(Refusal::TooLarge);
    case WebFailure::None: break;
  }
  if (catalogue.Status == 304) return L"not modified";
  if (catalogue.Status != 200) return Failed(L"http status");
  if (fetched.Signature.Failure == WebFailure::TooLarge) return L"refused: " + RefusalWords(Refusal::SignatureTooLarge);
  if (fetched.Signature.Failure != WebFailure::None || fetched.Signature.Status != 200) {
    return Failed(L"signature missing");
  }
  return std::nullopt;
}

}  // namespace

FetchOutcome ApplyFetchedCopy(xml::DomDocument& doc, const PublicationSetup& setup, const UserState& before,
                              const FetchedCopy& fetched, std::int64_t attemptTime) noexcept {
  FetchOutcome outcome;
  outcome.State = before;
  UserState& state = outcome.State;
  TrapVoid([&] {
    const WebResponse& catalogue = fetched.Catalogue;
    state.LastAttempt = attemptTime;
    state.HttpStatus = catalogue.Status;
    state.NextAttempt.reset();
    if ((catalogue.Status == 429 || catalogue.Status == 503) && catalogue.Failure == WebFailure::None) {
      if (const auto wait = RetryAfterSeconds(catalogue.RetryAfter, attemptTime)) {
        state.NextAttempt = attemptTime + std::min(*wait, kLongestRetryAfter);
      }
    }
    if (const auto failure = FailureWords(fetched)) {
      state.Outcome = *failure;
      return;
    }
    const PublishedPaths paths = PublishedPathsFor(setup.CachePath);
    const auto kept = ReadKeptCopy(paths);
    if (kept && kept->Bytes == catalogue.Body && kept->Signature == fetched.Signature.Body) {
      state.Outcome = L"unchanged";
    } else {
      const Acceptance accepted =
          AcceptPublishedCopy(doc, catalogue.Body, fetched.Signature.Body,
                              ContextFor(setup, before.Serial, kept ? kept->Bytes : std::string()));
      if (!accepted.Accepted()) {
        state.Outcome = L"refused: " + RefusalWords(accepted.Refused);
        return;  // the validators stay those of the kept copy, so the next try fetches whole
      }
      try {
        CreateFolder(paths.Folder);
        xml::WriteFileAtomically(paths.Catalogue, catalogue.Body);
        xml::WriteFileAtomically(paths.Signature, fetched.Signature.Body);
      } catch (...) {
        state.Outcome = Failed(L"save");
        return;
      }
      outcome.Kept = true;
      outcome.Messages = accepted.Messages;
      state.Serial = accepted.Serial;
      state.Outcome = L"accepted";
    }
    state.ETag = catalogue.ETag;
    state.LastModified = catalogue.LastModified;
  });
  SaveFetchState(doc, setup.CachePath, state);
  return outcome;
}

struct Publication::Shared {
  std::mutex lock;
  bool done = false;
  FetchedCopy fetched;
};

Publication::Publication(xml::DomDocument& doc, PublicationSetup setup) : doc_(doc), setup_(std::move(setup)) {}

// A worker still under way is left to finish into its own slot; nothing it holds is ours.
Publication::~Publication() = default;

void Publication::Start() noexcept {
  TrapVoid([&] {
    if (!setup_.Source.Enabled()) return;
    state_ = LoadUserState(doc_, StatePathFor(setup_.CachePath));
    kept_ = ReadKeptCopy(PublishedPathsFor(setup_.CachePath));
    // Only the signature now; the rest of its acceptance waits until the first local
    // message is up. A copy changed on disk is ignored, as if there were none.
    if (kept_ && !SignatureHolds(ContextFor(setup_, {}, {}), kept_->Bytes, kept_->Signature)) kept_.reset();
    const bool keptIsGood = kept_.has_value();
    attemptTime_ = setup_.Now();
    if (!FetchIsDue(setup_.Source, state_, attemptTime_) || !setup_.Fetch) return;

    WebRequest request;
    request.Url = setup_.Source.Url;
    request.UserAgent = setup_.UserAgent;
    request.MaxBytes = kMaxPublishedBytes;
    request.RedirectAllowed = &IsAllowedRedirect;
    if (keptIsGood) {  // without a good copy a 304 would leave nothing to show
      request.IfNoneMatch = state_.ETag;
      request.IfModifiedSince = state_.LastModified;
    }
    shared_ = std::make_shared<Shared>();
    std::thread([shared = shared_, request, fetch = setup_.Fetch]() {
      FetchedCopy fetched;
      fetched.Catalogue = fetch(request);
      if (fetched.Catalogue.Failure == WebFailure::None && fetched.Catalogue.Status == 200) {
        WebRequest signature;
        signature.Url = request.Url + L".sig";
        signature.UserAgent = request.UserAgent;
        signature.MaxBytes = kMaxSignatureBytes;
        signature.RedirectAllowed = request.RedirectAllowed;
        fetched.Signature = fetch(signature);
      }
      const std::lock_guard<std::mutex> guard(shared->lock);
      shared->fetched = std::move(fetched);
      shared->done = true;
    }).detach();
  });
}

void Publication::TakeKeptCopy() {
  if (!kept_) return;
  const KeptCopy kept = *std::exchange(kept_, std::nullopt);
  const Acceptance accepted = AcceptPublishedCopy(doc_, kept.Bytes, kept.Signature, ContextFor(setup_, {}, {}));
  // Older than the serial last accepted: the files were put back by hand.
  if (!accepted.Accepted() || (state_.Serial && accepted.Serial < *state_.Serial)) return;
  ready_.insert(ready_.begin(), accepted.Messages.begin(), accepted.Messages.end());
}

bool Publication::FetchUnderWay() const noexcept { return shared_ != nullptr; }

void Publication::TakeFinishedFetch() {
  if (!shared_) return;
  FetchedCopy fetched;
  {
    const std::lock_guard<std::mutex> guard(shared_->lock);
    if (!shared_->done) return;
    fetched = std::move(shared_->fetched);
  }
  shared_.reset();
  FetchOutcome outcome = ApplyFetchedCopy(doc_, setup_, state_, fetched, attemptTime_);
  state_ = outcome.State;
  if (outcome.Kept) kept_.reset();  // replaced: the older copy's messages no longer stand
  ready_.insert(ready_.end(), outcome.Messages.begin(), outcome.Messages.end());
}

std::vector<MsgRecord> Publication::Arrived(bool wait, const std::function<void()>& waitStep) noexcept {
  return Trap(std::vector<MsgRecord>(), [&] {
    TakeKeptCopy();
    TakeFinishedFetch();
    if (wait && ready_.empty() && shared_) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(setup_.WaitBoundMs);
      while (shared_ && std::chrono::steady_clock::now() < deadline) {
        if (waitStep) waitStep();
        TakeFinishedFetch();
      }
      if (shared_) {
        // The bound passed: the worker is left behind and the attempt counts as failed.
        shared_.reset();
        state_.LastAttempt = attemptTime_;
        state_.Outcome = Failed(L"network");
        state_.HttpStatus = 0;
        SaveFetchState(doc_, setup_.CachePath, state_);
      }
    }
    return std::exchange(ready_, {});
  });
}

}  // namespace notify
