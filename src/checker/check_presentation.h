#pragma once
// The presentation's findings for the messages that show: skin, pictures, logo, layout,
// sound and address.
#include <cstdint>
#include <utility>
#include <vector>

#include "checker/check_part.h"

namespace notify::checker {

void CheckPresentation(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                       const std::vector<std::pair<std::int32_t, MsgRecord>>& shown);

}  // namespace notify::checker
