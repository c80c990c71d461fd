#pragma once
// Rule source: a root's Source, SourceKey and SourceEvery, on the catalogue just selected or
// on the folder's own when a publication is checked against it. Every rule is the product's
// own: this only calls it and says where.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/selection.h"
#include "checker/check_part.h"

namespace notify::checker {

class SourceChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  // Rule source on the root `at` locates in `file`; the keys a signature is checked with.
  std::vector<std::string> Check(const SourceLocator& at, const std::wstring& file,
                                 const std::optional<std::wstring>& source, const std::optional<std::wstring>& key,
                                 const std::optional<std::wstring>& every);
};

// Rule source over the catalogue just selected.
void CheckSourceAttributes(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                           const CatalogueState& selected);

}  // namespace notify::checker
