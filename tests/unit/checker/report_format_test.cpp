// Locations a code-scanning service resolves: network paths keep their host, and every
// character a URI cannot carry is escaped, on both builds alike.
#include <gtest/gtest.h>

#include "checker/report_format.h"

namespace notify::checker {
namespace {

TEST(ReportFormat, FileUrisKeepTheHostOfANetworkPathAndEscape) {
  const struct {
    const wchar_t* path;
    const char* uri;
  } cases[] = {
      {L"\\\\server\\share\\app\\", "file://server/share/app/"},
      {L"\\\\server\\share\\Profile\\Korvane\\X\\MessageCache.xml",
       "file://server/share/Profile/Korvane/X/MessageCache.xml"},
      {L"C:\\Program Files\\App #1\\", "file:///C:/Program%20Files/App%20%231/"},
      {L"/tmp/caf\u00e9 100%/", "file:///tmp/caf%C3%A9%20100%25/"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileUri(c.path), c.uri);
}

TEST(ReportFormat, SarifPlacesAFindingInANetworkCacheOnItsHost) {
  CheckReport report;
  report.folder = L"\\\\server\\share\\app\\";
  report.diagnostics.push_back({Severity::Error, "cache", L"\\\\server\\share\\Profile\\MessageCache.xml", 3, 7,
                                L"the seen-message cache cannot be read"});
  const std::string sarif = FormatSarif(report);
  EXPECT_NE(sarif.find("\"FOLDER\": {\"uri\": \"file://server/share/app/\"}"), std::string::npos) << sarif;
  EXPECT_NE(sarif.find("{\"uri\": \"file://server/share/Profile/MessageCache.xml\"}"), std::string::npos) << sarif;
  EXPECT_EQ(sarif.find("file:///server"), std::string::npos) << sarif;
}

}  // namespace
}  // namespace notify::checker
