#include "checker/check_kept_copy.h"

#include "catalogue/user_state.h"
#include "checker/check_catalogue.h"
#include "checker/check_publication.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/utc_time.h"
#include "platform/xml/file_io.h"

namespace notify::checker {

namespace {

class KeptCopyChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  void Run() {
    if (!report_.cache) return;
    const std::wstring statePath = StatePathFor(*report_.cache);
    const PublishedPaths paths = PublishedPathsFor(*report_.cache);
    const bool hasState = FileExists(statePath);
    const bool hasKept = FileExists(paths.Catalogue);
    auto local = ReadLocalCatalogue(document_, options_.folder);
    if (!local || (!hasState && !hasKept)) return;

    const UserState user = LoadUserState(document_, statePath);
    std::wstring attempt = L"this user's last fetch of the published catalogue: ";
    if (user.LastAttempt) {
      attempt += FormatUtcTime(*user.LastAttempt) + L", " + (user.Outcome.empty() ? L"no outcome" : user.Outcome);
      if (user.HttpStatus != 0) attempt += L" (HTTP " + std::to_wstring(user.HttpStatus) + L")";
    } else {
      attempt += L"none recorded";
    }
    if (user.NextAttempt) attempt += L"; the host asked to wait until " + FormatUtcTime(*user.NextAttempt);
    Add(Severity::Note, "published", ShownPath(statePath), {}, attempt);
    if (!hasKept) return;

    const std::wstring keptFile = ShownPath(paths.Catalogue);
    if (!local->source.Enabled()) {
      Add(Severity::Note, "published", keptFile, {},
          L"this user's kept copy is not used: Message.xml asks for no published catalogue it can verify");
      return;
    }
    const std::string bytes = xml::ReadFileBytes(paths.Catalogue).value_or(std::string());
    const std::string signature = xml::ReadFileBytes(paths.Signature).value_or(std::string());
    const SelectionEnvironment env = CheckerEnvironment(options_);
    AcceptanceContext context;
    context.Source = &local->source;
    context.LocalAppId = local->appId;
    context.ProgramFolder = options_.folder;
    context.Environment = &env;
    const Acceptance kept = AcceptPublishedCopy(document_, bytes, signature, context);
    if (!kept.Accepted()) {
      Add(Severity::Warning, "published", keptFile, {},
          L"this user's kept copy is ignored (" + RefusalWords(kept.Refused) +
              L"): only the local messages show until a new copy is accepted");
      return;
    }
    Add(Severity::Note, "published", keptFile, {},
        L"this user's kept copy, serial " + std::to_wstring(kept.Serial) +
            L", verifies; its due, unseen messages follow the local ones");
    Collector collector(document_);
    CatalogueState selected;
    SelectMessagesFromBytes(&document_, bytes, selected, env, &collector);
    const SourceLocator at = LocatorFor(paths.Catalogue);
    for (const auto& [index, decided] : collector.decisions) {
      std::wstring text = MessageName(decided.id, index + 1) + L" of the kept copy: " +
                          FromUtf8(DecisionName(DecisionOf(decided.decision)));
      if (!decided.detail.empty()) text += L" (" + ShownPath(decided.detail) + L")";
      Add(Severity::Note, "published", keptFile, at.At(at.Nth(L"Message", index)), text);
    }
  }
};

}  // namespace

void CheckKeptCopy(const CheckOptions& options, xml::DomDocument& document, CheckState& state) {
  KeptCopyChecker(options, document, state).Run();
}

}  // namespace notify::checker
