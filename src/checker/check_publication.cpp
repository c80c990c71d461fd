#include "checker/check_publication.h"

#include "catalogue/user_state.h"
#include "checker/check_catalogue.h"
#include "checker/check_source.h"
#include "platform/paths.h"
#include "platform/signature.h"
#include "platform/text.h"
#include "platform/xml/file_io.h"

namespace notify::checker {

namespace {

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

class PublicationChecker final : CheckerPart {
 public:
  PublicationChecker(const CheckOptions& options, xml::DomDocument& document, CheckState& state)
      : CheckerPart(options, document, state), source_(options, document, state) {}

  void Publication() {
    auto local = ReadLocalCatalogue(document_, options_.folder);
    if (!local) {
      Add(Severity::Error, "source", L"Message.xml", {},
          L"the folder's Message.xml cannot be read, so the keys and AppID a publication needs are unknown");
      return;
    }
    const auto source = AttributeOf(local->root, L"Source");
    const auto keys = source_.Check(local->at, L"Message.xml", source, AttributeOf(local->root, L"SourceKey"),
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

  SourceChecker source_;
};

}  // namespace

std::optional<LocalCatalogue> ReadLocalCatalogue(xml::DomDocument& document, const std::wstring& folder) {
  LocalCatalogue local;
  const std::wstring path = folder + L"Message.xml";
  if (document.Load(path)) local.root = document.documentElement();
  if (local.root.IsNothing()) return std::nullopt;
  local.at = LocatorFor(path);
  local.appId = Trim(AttributeOf(local.root, L"AppID").value_or(L""));
  local.source = ReadPublishedSource(local.root);
  return local;
}

void CheckPublication(const CheckOptions& options, xml::DomDocument& document, CheckState& state) {
  PublicationChecker(options, document, state).Publication();
}

}  // namespace notify::checker
