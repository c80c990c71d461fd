#include "controls/shadow/message_table.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace notify {
namespace {

class MessageTableTest : public ::testing::Test {
 protected:
  ErrorReport Recorder() {
    return [this](const std::wstring& routine, const std::wstring& text) {
      reports.emplace_back(routine, text);
    };
  }
  std::vector<std::pair<std::wstring, std::wstring>> reports;
  MessageTable table;
};

TEST_F(MessageTableTest, AddingTwiceChangesNothing) {
  zAddMsg(0x47, table, Recorder());
  zAddMsg(0x47, table, Recorder());
  EXPECT_EQ(table.count, 1);
  EXPECT_TRUE(table.Contains(0x47));
  EXPECT_FALSE(table.Contains(0x05));
  EXPECT_TRUE(reports.empty());
}

TEST_F(MessageTableTest, OverflowOnThe33rdMessage) {
  for (std::int32_t m = 1; m <= MSG_ENTRIES; ++m) zAddMsg(0x100 + m, table, Recorder());
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(table.count, 32);
  zAddMsg(0x200, table, Recorder());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, L"zAddMsg");
  EXPECT_EQ(reports[0].second,
            L"Message table overflow. Either increase the value of Const MSG_ENTRIES or use "
            L"ALL_MESSAGES instead of specific message values");
  EXPECT_FALSE(table.Contains(0x200));
  for (std::int32_t m = 1; m <= MSG_ENTRIES; ++m) EXPECT_TRUE(table.Contains(static_cast<std::uint32_t>(0x100 + m)));
}

TEST_F(MessageTableTest, FreedSlotDoesNotLiftTheLimit) {
  for (std::int32_t m = 1; m <= MSG_ENTRIES; ++m) zAddMsg(0x100 + m, table, Recorder());
  zDelMsg(0x105, table, Recorder());
  EXPECT_FALSE(table.Contains(0x105));
  zAddMsg(0x300, table, Recorder());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, L"zAddMsg");
  EXPECT_FALSE(table.Contains(0x300));
}

TEST_F(MessageTableTest, FreedSlotIsReusedBelowTheLimit) {
  zAddMsg(0x10, table, Recorder());
  zAddMsg(0x20, table, Recorder());
  zAddMsg(0x30, table, Recorder());
  zDelMsg(0x20, table, Recorder());
  zAddMsg(0x40, table, Recorder());
  EXPECT_EQ(table.count, 3);
  EXPECT_EQ(table.slots[1], 0x40u);
  EXPECT_TRUE(table.Contains(0x40));
  EXPECT_FALSE(table.Contains(0x20));
  EXPECT_TRUE(reports.empty());
}

TEST_F(MessageTableTest, AllMessagesThenASpecificOne) {
  zAddMsg(0x10, table, Recorder());
  zAddMsg(0x20, table, Recorder());
  zAddMsg(ALL_MESSAGES, table, Recorder());
  EXPECT_EQ(table.count, ALL_MESSAGES);
  EXPECT_TRUE(table.Contains(0x1234));
  EXPECT_TRUE(table.Contains(0));
  zAddMsg(0x47, table, Recorder());
  EXPECT_EQ(table.count, 1);
  EXPECT_TRUE(table.Contains(0x47));
  EXPECT_FALSE(table.Contains(0x20));
  EXPECT_FALSE(table.Contains(0x1234));
  EXPECT_TRUE(reports.empty());
}

TEST_F(MessageTableTest, DeleteAllEmptiesTheTable) {
  zAddMsg(0x10, table, Recorder());
  zAddMsg(ALL_MESSAGES, table, Recorder());
  zDelMsg(ALL_MESSAGES, table, Recorder());
  EXPECT_EQ(table.count, 0);
  EXPECT_FALSE(table.Contains(0x10));
  EXPECT_FALSE(table.Contains(0x99));
}

TEST_F(MessageTableTest, FreedSlotsNeverMatchMessageZero) {
  zAddMsg(0x10, table, Recorder());
  zDelMsg(0x10, table, Recorder());
  EXPECT_FALSE(table.Contains(0));
}

struct NotFoundCase {
  std::int32_t message;
  const wchar_t* text;
};

TEST_F(MessageTableTest, DeletingAnAbsentMessageReportsItInHex) {
  zAddMsg(0x05, table, Recorder());
  const NotFoundCase cases[] = {
      {0x47, L"Message &H47 not found in table"},
      {0x31A, L"Message &H31A not found in table"},
      {0xC0DE, L"Message &HC0DE not found in table"},
      {0x7E, L"Message &H7E not found in table"},
  };
  for (const auto& c : cases) {
    reports.clear();
    zDelMsg(c.message, table, Recorder());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, L"zDelMsg");
    EXPECT_EQ(reports[0].second, c.text);
  }
  EXPECT_TRUE(table.Contains(0x05));
}

TEST_F(MessageTableTest, ReportTexts) {
  EXPECT_EQ(ErrorBoxText(L"Invalid window handle"), L"Invalid window handle.");
  EXPECT_EQ(ErrorBoxTitle(L"Shadow"), L"Error in CL10.Shadow");
  EXPECT_EQ(ErrorLogText(L"sc_Subclass", L"Invalid window handle"),
            L"CL10.sc_Subclass: Invalid window handle");
}

}  // namespace
}  // namespace notify
