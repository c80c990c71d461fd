#pragma once
// What the checker's parts share: the run's options, the document they read through, and the
// report they add findings to, placed in the catalogue by its locator.
#include <cstdint>
#include <string>

#include "checker/check.h"
#include "checker/locator.h"

namespace notify::checker {

std::wstring Quoted(const std::wstring& text);
std::wstring MessageName(const std::wstring& id, std::int32_t index);
// The file's text for the locator; empty when it cannot be read or decoded.
SourceLocator LocatorFor(const std::wstring& path);

struct CheckState {
  CheckReport report;
  SourceLocator catalogue;
  std::wstring catalogueFile = L"Message.xml";  // as findings name it
};

class CheckerPart {
 public:
  CheckerPart(const CheckOptions& options, xml::DomDocument& document, CheckState& state)
      : options_(options),
        document_(document),
        report_(state.report),
        catalogue_(state.catalogue),
        catalogueFile_(state.catalogueFile) {}

 protected:
  void Add(Severity severity, const char* rule, const std::wstring& file, SourcePosition at,
           const std::wstring& message);
  void AddCatalogue(Severity severity, const char* rule, SourcePosition at, const std::wstring& message);
  std::wstring Relative(const std::wstring& path) const;
  std::size_t MessageElement(std::int32_t index) const;
  SourcePosition ItemOf(std::int32_t index, const wchar_t* child) const;

  const CheckOptions& options_;
  xml::DomDocument& document_;
  CheckReport& report_;
  SourceLocator& catalogue_;
  const std::wstring& catalogueFile_;
};

}  // namespace notify::checker
