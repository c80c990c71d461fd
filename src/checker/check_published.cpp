#include "checker/check_published.h"

#include <cwctype>
#include <optional>

#include "catalogue/published.h"
#include "catalogue/user_state.h"
#include "checker/check_catalogue.h"
#include "platform/paths.h"
#include "platform/signature.h"
#include "platform/text.h"
#include "platform/utc_time.h"
#include "platform/xml/file_io.h"

namespace notify::checker {

namespace {

constexpr const wchar_t* kIgnored = L", so Notify ignores the published catalogue";
constexpr const wchar_t* kRefused = L": Notify refuses the copy whole and keeps the one it has";

std::optional<std::wstring> AttributeOf(const xml::DomNode& node, const wchar_t* name) {
  const xml::DomNode attribute = node.IsNothing() ? xml::DomNode() : node.Attributes().getNamedItem(name);
  if (attribute.IsNothing()) return std::nullopt;
  return attribute.Text();
}

std::wstring ChildTextOf(const xml::DomNode& node, const wchar_t* name) {
  const xml::DomNode child = node.SelectSingleNode(name);
  return child.IsNothing() ? std::wstring() : child.Text();
}

std::vector<std::wstring> Tokens(const std::wstring& text) {
  std::vector<std::wstring> tokens;
  std::wstring token;
  for (const wchar_t c : text + L' ') {
    if (!std::iswspace(static_cast<wint_t>(c))) {
      token += c;
    } else if (!token.empty()) {
      tokens.push_back(std::exchange(token, {}));
    }
  }
  return tokens;
}

// The folder's own catalogue: its root, where things are in it, and its AppID.
struct LocalCatalogue {
  xml::DomNode root;
  SourceLocator at;
  std::wstring appId;
  PublishedSource source;
};

class PublishedChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  // Rule source at `file`; the keys a signature is checked with.
  std::vector<std::string> Source(const SourceLocator& at, const std::wstring& file,
                                  const std::optional<std::wstring>& source, const std::optional<std::wstring>& key,
                                  const std::optional<std::wstring>& every) {
    const auto place = [&](const wchar_t* name) { return at.Attribute(at.Root(), name); };
    if (!source) {
      if (key || every) {
        Add(Severity::Warning, "source", file, place(key ? L"SourceKey" : L"SourceEvery"),
            L"SourceKey and SourceEvery do nothing without Source");
      }
      return key ? UsableKeys(*key) : std::vector<std::string>();
    }
    const std::wstring url = Trim(*source);
    if (!IsAllowedSourceUrl(url)) {
      Add(Severity::Error, "source", file, place(L"Source"),
          L"Source " + Quoted(url) +
              L" is not an https address (plain http only for 127.0.0.1, [::1] and localhost)" + kIgnored);
    }
    std::vector<std::string> keys;
    if (!key) {
      Add(Severity::Error, "source", file, place(L"Source"),
          L"Source has no SourceKey to verify a publication with" + std::wstring(kIgnored));
    } else {
      std::size_t number = 0;
      for (const auto& token : Tokens(*key)) {
        ++number;
        if (UsableKeys(token).empty()) {
          Add(Severity::Warning, "source", file, place(L"SourceKey"),
              L"SourceKey's key #" + std::to_wstring(number) +
                  L" is not the base64 of an ECDSA P-256 public key (what \"openssl ec -pubout -outform DER | "
                  L"base64 -w0\" prints), so it is left out");
        }
      }
      keys = UsableKeys(*key);
      if (keys.empty()) {
        Add(Severity::Error, "source", file, place(L"SourceKey"), L"SourceKey has no usable key" + std::wstring(kIgnored));
      }
    }
    if (every && !SourceEveryHours(*every)) {
      Add(Severity::Warning, "source", file, place(L"SourceEvery"),
          L"SourceEvery " + Quoted(*every) +
              L" is not a whole number of hours from 0 to 87600, so the default of 24 hours applies");
    }
    const PublishedSource product = ReadPublishedSource(source, key, every);
    if (product.Enabled()) {
      Add(Severity::Note, "source", file, place(L"Source"),
          L"the published catalogue at " + product.Url + L" (signature at " + product.Url + L".sig) is fetched " +
              (product.EveryHours == 0 ? std::wstring(L"at every start")
                                       : L"at most every " + std::to_wstring(product.EveryHours) + L" hours") +
              L" and verified with " + std::to_wstring(product.Keys.size()) +
              (product.Keys.size() == 1 ? L" key" : L" keys"));
    }
    return keys;
  }

  std::optional<LocalCatalogue> ReadLocal() {
    LocalCatalogue local;
    const std::wstring path = options_.folder + L"Message.xml";
    if (document_.Load(path)) local.root = document_.documentElement();
    if (local.root.IsNothing()) return std::nullopt;
    local.at = LocatorFor(path);
    local.appId = Trim(AttributeOf(local.root, L"AppID").value_or(L""));
    local.source = ReadPublishedSource(local.root);
    return local;
  }

  void Publication() {
    auto local = ReadLocal();
    if (!local) {
      Add(Severity::Error, "source", L"Message.xml", {},
          L"the folder's Message.xml cannot be read, so the keys and AppID a publication needs are unknown");
      return;
    }
    const auto source = AttributeOf(local->root, L"Source");
    const auto keys = Source(local->at, L"Message.xml", source, AttributeOf(local->root, L"SourceKey"),
                             AttributeOf(local->root, L"SourceEvery"));
    if (!source) {
      Add(Severity::Error, "source", L"Message.xml", local->at.At(local->at.Root()),
          L"the folder's Message.xml has no Source, so Notify never fetches a publication");
    }
    const Kept kept = KeptByUser();

    const std::string bytes = xml::ReadFileBytes(options_.published).value_or(std::string());
    const std::wstring signaturePath = options_.published + L".sig";
    const auto signature = xml::ReadFileBytes(signaturePath);
    if (bytes.size() > kMaxPublishedBytes) {
      AddCatalogue(Severity::Error, "published", {},
                   L"the file has " + std::to_wstring(bytes.size()) + L" bytes, over the 1 MiB (1048576 bytes) "
                   L"a publication may have" + kRefused);
    }
    Signature(bytes, signature, keys, ShownPath(signaturePath));

    if (!document_.LoadBytes(bytes) || document_.documentElement().IsNothing()) return;  // the selection said why
    const xml::DomNode root = document_.documentElement();
    const std::wstring appId = Trim(AttributeOf(root, L"AppID").value_or(L""));
    if (appId != local->appId) {
      AddCatalogue(Severity::Error, "published", catalogue_.Attribute(catalogue_.Root(), L"AppID"),
                   L"AppID " + Quoted(appId) + L" is not the folder's " + Quoted(local->appId) + kRefused);
    }
    Serial(root, kept.serial);
    Restrictions(root);
    if (signature) Verdict(*local, bytes, *signature, kept);
  }

  void KeptCopy() {
    if (!report_.cache) return;
    const std::wstring statePath = StatePathFor(*report_.cache);
    const PublishedPaths paths = PublishedPathsFor(*report_.cache);
    const bool hasState = FileExists(statePath);
    const bool hasKept = FileExists(paths.Catalogue);
    auto local = ReadLocal();
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

 private:
  // The copy this user keeps, when the report reads this user's files.
  struct Kept {
    std::optional<std::uint64_t> serial;
    std::string bytes;
  };
  Kept KeptByUser() {
    if (options_.cache != CacheMode::UserCache || !report_.cache) return {};
    const std::wstring statePath = StatePathFor(*report_.cache);
    if (!FileExists(statePath)) return {};
    return {LoadUserState(document_, statePath).Serial,
            xml::ReadFileBytes(PublishedPathsFor(*report_.cache).Catalogue).value_or(std::string())};
  }

  void Signature(const std::string& bytes, const std::optional<std::string>& signature,
                 const std::vector<std::string>& keys, const std::wstring& signatureFile) {
    if (!signature) {
      Add(Severity::Warning, "signature", signatureFile, {},
          L"there is no signature file yet: sign before upload (openssl dgst -sha256 -sign KEY -out " +
              signatureFile + L" " + ShownPath(options_.published) + L")");
      return;
    }
    if (signature->size() > kMaxSignatureBytes) {
      Add(Severity::Error, "signature", signatureFile, {},
          L"the signature has " + std::to_wstring(signature->size()) + L" bytes, over the 1 KiB it may have" +
              kRefused);
      return;
    }
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (VerifySignature(bytes, *signature, keys[k])) {
        Add(Severity::Note, "signature", signatureFile, {},
            L"the signature verifies with SourceKey's usable key #" + std::to_wstring(k + 1));
        return;
      }
    }
    Add(Severity::Error, "signature", signatureFile, {},
        L"the signature does not verify with any of the " + std::to_wstring(keys.size()) +
            L" usable SourceKey keys (the file changed after signing, or another key signed it)" + kRefused);
  }

  void Serial(const xml::DomNode& root, std::optional<std::uint64_t> kept) {
    const auto text = AttributeOf(root, L"Serial");
    const auto parsed = text ? ParseSerial(Trim(*text)) : std::nullopt;
    const SourcePosition at = catalogue_.Attribute(catalogue_.Root(), text ? L"Serial" : L"AppID");
    if (!parsed) {
      AddCatalogue(Severity::Error, "published", at,
                   (text ? L"Serial " + Quoted(*text) + L" is not a whole number"
                         : std::wstring(L"the root has no Serial")) +
                       L" (it must grow with every publication)" + kRefused);
      return;
    }
    const std::uint64_t serial = *parsed;
    if (!kept) return;
    if (serial < *kept) {
      AddCatalogue(Severity::Error, "published", at,
                   L"Serial " + std::to_wstring(serial) + L" is lower than the " + std::to_wstring(*kept) +
                       L" this user keeps, so it is refused as a rollback");
    } else if (serial == *kept) {
      AddCatalogue(Severity::Warning, "published", at,
                   L"Serial " + std::to_wstring(serial) +
                       L" equals the one this user keeps: it is taken only if the bytes are the same too");
    }
  }

  void Restrictions(const xml::DomNode& root) {
    const xml::DomNodeList messages = root.selectNodes(L".//Message");
    for (std::int32_t i = 0; i < messages.Length(); ++i) {
      const xml::DomNode message = messages.Item(i);
      const Refusal refusal = MessageRestrictions(message, options_.folder);
      if (refusal == Refusal::None) continue;
      const std::size_t element = MessageElement(i);
      const std::wstring name = MessageName(Trim(AttributeOf(message, L"ID").value_or(L"")), i + 1) + L": ";
      switch (refusal) {
        case Refusal::ForbiddenUri:
          AddCatalogue(Severity::Error, "published", catalogue_.At(catalogue_.Child(element, L"Uri")),
                       name + L"Uri " + Quoted(ChildTextOf(message, L"Uri")) +
                           L" is not an http, https or mailto address, which is all a published message may open" +
                           kRefused);
          break;
        case Refusal::UnknownStyle:
          AddCatalogue(Severity::Error, "published", catalogue_.Attribute(element, L"Style"),
                       name + L"Style " + Quoted(AttributeOf(message, L"Style").value_or(L"")) +
                           L" names no style folder of the program folder; a published message uses the shipped "
                           L"skins only" + kRefused);
          break;
        default: {
          const wchar_t* child = L"Check";
          if (IsConfinedPath(ChildTextOf(message, L"Check"), false)) {
            child = IsConfinedPath(ChildTextOf(message, L"Logo"), true) ? L"Sound" : L"Logo";
          }
          AddCatalogue(Severity::Error, "published", catalogue_.At(catalogue_.Child(element, child)),
                       name + child + L" " + Quoted(ChildTextOf(message, child)) +
                           L" is a UNC or device path, or climbs out of its folder with \"..\"" + kRefused);
        }
      }
    }
  }

  // The product's own acceptance of the copy as it stands, beside the findings above.
  void Verdict(const LocalCatalogue& local, const std::string& bytes, const std::string& signature,
               const Kept& kept) {
    const SelectionEnvironment env = CheckerEnvironment(options_);
    AcceptanceContext context;
    context.Source = &local.source;
    context.LocalAppId = local.appId;
    context.KeptSerial = kept.serial;
    context.KeptBytes = kept.bytes;
    context.ProgramFolder = options_.folder;
    context.Environment = &env;
    const Acceptance verdict = AcceptPublishedCopy(document_, bytes, signature, context);
    if (verdict.Accepted()) {
      AddCatalogue(Severity::Note, "published", {},
                   L"Notify would accept this copy (serial " + std::to_wstring(verdict.Serial) + L", " +
                       std::to_wstring(verdict.Messages.size()) + L" to show after the local messages)");
    } else {
      AddCatalogue(report_.Count(Severity::Error) == 0 ? Severity::Error : Severity::Note, "published", {},
                   L"Notify would refuse this copy: " + RefusalWords(verdict.Refused));
    }
  }
};

}  // namespace

void CheckSourceAttributes(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                           const CatalogueState& selected) {
  PublishedChecker(options, document, state)
      .Source(state.catalogue, state.catalogueFile, selected.Source, selected.SourceKey, selected.SourceEvery);
}

void CheckPublication(const CheckOptions& options, xml::DomDocument& document, CheckState& state) {
  PublishedChecker(options, document, state).Publication();
}

void CheckKeptCopy(const CheckOptions& options, xml::DomDocument& document, CheckState& state) {
  PublishedChecker(options, document, state).KeptCopy();
}

}  // namespace notify::checker
