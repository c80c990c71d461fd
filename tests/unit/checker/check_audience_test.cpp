// The checker's held note says until when a MinHours hold lasts, in UTC, across a leap day
// and a year's end; the catalogue is the documented pacing example.
#include <gtest/gtest.h>

#include "catalogue/conversions.h"
#include "checker/check.h"
#include "checker/console.h"
#include "test_support.h"

namespace notify {
namespace {

TEST(CheckAudience, HeldByMinHoursSaysUntilWhen) {
  struct Case {
    std::int64_t lastShown;
    const wchar_t* detail;
  };
  const Case cases[] = {
      {1709114400, L"MinHours, until 2024-02-29 06:00 UTC"},  // 2024-02-28T10:00:00Z + 20 h
      {1798720259, L"MinHours, until 2027-01-01 08:30 UTC"},  // 2026-12-31T12:30:59Z + 20 h
  };
  test::TempDir scratch;
  test::WriteBytes(scratch / "Message.xml",
                   test::ReadBytes(test::FixturePath("../../docs/examples/audience/pacing/Message.xml")));
  // The system XML component needs COM on this thread, as NotifyCheck.exe readies it.
  ASSERT_TRUE(checker::PrepareProcess());
  const auto document = checker::NewCheckerDocument();
  ASSERT_NE(document, nullptr);
  for (const auto& c : cases) {
    checker::CheckOptions options;
    options.folder = scratch.text();
    options.today = CivilDate{2026, 6, 1};
    options.dates = std::make_shared<PortableDateParser>(DateOrder::YearMonthDay);
    options.now = c.lastShown + 3600;
    options.lastShown = c.lastShown;
    const checker::CheckReport report = checker::CheckFolder(options, *document);
    ASSERT_EQ(report.messages.size(), 3u);
    for (const auto& message : report.messages) {
      EXPECT_EQ(message.decision, checker::Decision::Held) << message.index;
      EXPECT_EQ(message.detail, c.detail) << message.index;
    }
  }
}

}  // namespace
}  // namespace notify
