#pragma once
// The checker's three outputs: lines for a terminal, one JSON object for scripts, and
// SARIF 2.1.0 for code-scanning services. All are UTF-8.
#include <string>

#include "checker/check.h"

namespace notify::checker {

struct FormatOptions {
  // Written before each path relative to the folder ("packaging/notify"), so that a
  // code-scanning service finds the file from the repository's root.
  std::wstring pathPrefix;
};

std::string FormatText(const CheckReport& report, const FormatOptions& options = {});
std::string FormatJson(const CheckReport& report, const FormatOptions& options = {});
std::string FormatSarif(const CheckReport& report, const FormatOptions& options = {});

// A path as an absolute file URI: "file:///C:/x", "file:///tmp/x", and for a network path
// "\\server\share\x" the host form "file://server/share/x"; characters escaped.
std::string FileUri(const std::wstring& path);

}  // namespace notify::checker
