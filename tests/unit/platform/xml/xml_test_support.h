#pragma once
// Documents for the conformance suite: whichever backend this build has (libxml2
// natively, MSXML through COM under Wine).
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"

#ifdef _WIN32
#include "platform/handles_win.h"
#endif

namespace notify::xml::test {

inline std::unique_ptr<DomDocument> NewDocument() {
#ifdef _WIN32
  static win::CoUninitializeOwner com;  // the tests' thread, as the app's startup does
#endif
  auto backend = CreateDomBackend(L"MSXML2.DOMDocument");
  if (!backend) backend = CreateDomBackend(L"Microsoft.XMLDOM");
  if (!backend) return nullptr;
  return std::make_unique<DomDocument>(std::move(backend));
}

// A path in the module's own form: backslashes on every build.
inline std::wstring ModulePath(const std::filesystem::path& p) {
  std::wstring text = p.wstring();
  for (auto& c : text) {
    if (c == L'/') c = L'\\';
  }
  return text;
}

inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

}  // namespace notify::xml::test
