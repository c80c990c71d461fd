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
      {L"C:\\Program Files\\App #1\\", "file:///C:/Program%20Files/App%20%231/"},
      {L"/tmp/caf\u00e9 100%/", "file:///tmp/caf%C3%A9%20100%25/"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileUri(c.path), c.uri);
}

}  // namespace
}  // namespace notify::checker
