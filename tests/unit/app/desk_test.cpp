#include "app/desk.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace notify {
namespace {

TEST(Desk, AwayAfterFiveMinutesFromTheLaterOfLastInputAndStart) {
  constexpr std::uint32_t kMinute = 60'000;
  // Input long ago, but the program started 4 minutes back: someone was there.
  EXPECT_FALSE(IdleSinceLongEnough(100 * kMinute, 1 * kMinute, 96 * kMinute));
  EXPECT_TRUE(IdleSinceLongEnough(100 * kMinute, 1 * kMinute, 95 * kMinute));
  // Started long ago, input 4 minutes back.
  EXPECT_FALSE(IdleSinceLongEnough(100 * kMinute, 96 * kMinute, 1 * kMinute));
  // The tick count wrapped between the input and now.
  EXPECT_FALSE(IdleSinceLongEnough(2 * kMinute, 0xFFFFFFFFu - kMinute, 0xFFFFFFFFu - 10 * kMinute));
  EXPECT_TRUE(IdleSinceLongEnough(5 * kMinute, 0xFFFFFFFFu - kMinute, 0xFFFFFFFFu - 10 * kMinute));
  // Input read a moment after the clock: no time ago, not 49 days.
  EXPECT_FALSE(IdleSinceLongEnough(100 * kMinute, 100 * kMinute + 15, 1 * kMinute));
}

TEST(Desk, FullScreenMeansTheClientAreaCoversTheWholeMonitor) {
  const Edges second{1280, 0, 3200, 1080};
  EXPECT_TRUE(CoversMonitor({1280, 0, 3200, 1080}, second));     // borderless
  EXPECT_TRUE(CoversMonitor({1272, -8, 3208, 1088}, second));    // larger than the monitor
  EXPECT_FALSE(CoversMonitor({1280, 0, 3200, 1040}, second));    // maximised above a taskbar
  EXPECT_FALSE(CoversMonitor({1281, 0, 3200, 1080}, second));
  EXPECT_FALSE(CoversMonitor({0, 0, 1280, 1024}, second));       // on another monitor
  EXPECT_FALSE(CoversMonitor({0, 0, 0, 0}, {0, 0, 0, 0}));       // no monitor known
}

TEST(Desk, AHostsOwnProgramsAreThoseInNotifysFolderOrBelow) {
  const struct {
    const wchar_t* path;
    const wchar_t* folder;
    bool below;
  } cases[] = {
      {L"C:\\Kiosk\\Bin\\Till.exe", L"C:\\Kiosk\\", true},
      {L"c:/kiosk/bin/till.EXE", L"C:\\Kiosk", true},            // case and separators
      {L"C:\\KioskTools\\Game.exe", L"C:\\Kiosk\\", false},  // a longer name, not a subfolder
      {L"C:\\Game.exe", L"C:\\Kiosk\\", false},
      {L"C:\\Kiosk\\..\\Game\\Game.exe", L"C:\\Kiosk\\", false},
      {L"C:\\Kiosk\\", L"C:\\Kiosk\\", false},                // the folder itself is no program
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InFolderOrBelow(c.path, c.folder), c.below) << ToUtf8(c.path) << " in " << ToUtf8(c.folder);
  }
}

}  // namespace
}  // namespace notify
