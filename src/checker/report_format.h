#pragma once
// The checker's three outputs: lines for a terminal, one JSON object for scripts, and
// SARIF 2.1.0 for code-scanning services. All are UTF-8.
#include <string>

#include "checker/check.h"

namespace notify::checker {

std::string FormatText(const CheckReport& report);
std::string FormatJson(const CheckReport& report);
std::string FormatSarif(const CheckReport& report);

}  // namespace notify::checker
