#include "platform/delay.h"

#include <gtest/gtest.h>

namespace notify {
namespace {

TEST(Delay, TimerNameUsesTwoDigitMinutesAndSeconds) {
  EXPECT_EQ(DelayTimerName(L"Notify", 5, 9), L"NotifyTimer0509");
  EXPECT_EQ(DelayTimerName(L"Notify", 59, 0), L"NotifyTimer5900");
  EXPECT_EQ(DelayTimerName(L"\u786E", 10, 11), L"\u786ETimer1011");
}

TEST(Delay, CreateKeepsTheFirstInstanceAndReleaseOfNothingIsHarmless) {
  std::unique_ptr<CL02> delay;
  ReleaseDelayObject(delay);
  EXPECT_EQ(delay, nullptr);
  CreateDelayObject(delay);
  CL02* first = delay.get();
  ASSERT_NE(first, nullptr);
  CreateDelayObject(delay);
  EXPECT_EQ(delay.get(), first);
  ReleaseDelayObject(delay);
  EXPECT_EQ(delay, nullptr);
}

}  // namespace
}  // namespace notify
