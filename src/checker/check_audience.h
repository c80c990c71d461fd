#pragma once
// The audience's findings: a note for each message that Start, Lang, a version range or
// pacing keeps back, and warnings for values that make a message show to no one.
#include <cstdint>
#include <string>

#include "checker/check_catalogue.h"

namespace notify::checker {

class AudienceChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  // The note for a message the audience kept back; writes the decision's detail as reported.
  void ReportDecision(std::int32_t index, MessageResult& result);
  // Start after Limit, a Lang tag that is no language tag, an empty or orphaned version range.
  void ReportValues(const Collector& collector);

 private:
  static std::wstring TimeText(std::int64_t seconds);
};

}  // namespace notify::checker
