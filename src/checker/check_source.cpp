#include "checker/check_source.h"

#include <cwctype>
#include <utility>

#include "catalogue/published.h"
#include "platform/signature.h"
#include "platform/text.h"

namespace notify::checker {

namespace {

constexpr const wchar_t* kIgnored = L", so Notify ignores the published catalogue";

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

}  // namespace

std::vector<std::string> SourceChecker::Check(const SourceLocator& at, const std::wstring& file,
                                              const std::optional<std::wstring>& source,
                                              const std::optional<std::wstring>& key,
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

void CheckSourceAttributes(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                           const CatalogueState& selected) {
  SourceChecker(options, document, state)
      .Check(state.catalogue, state.catalogueFile, selected.Source, selected.SourceKey, selected.SourceEvery);
}

}  // namespace notify::checker
