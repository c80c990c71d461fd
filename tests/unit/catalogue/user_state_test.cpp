#include "catalogue/user_state.h"

#include <gtest/gtest.h>

#include "catalogue_fixture.h"
#include "platform/utc_time.h"

namespace notify::test {
namespace {

using StateFile = CatalogueTest;

TEST_F(StateFile, EveryFieldRoundTripsBesideTheCacheAndABrokenFileGivesDefaults) {
  const std::wstring cachePath = CachePathFor(appDataFolder, L"Acme.Notify");
  const std::wstring path = StatePathFor(cachePath);
  EXPECT_EQ(path, appDataFolder + L"Korvane\\Acme\\Notify\\State.xml");
  UserState saved;
  saved.ETag = L"W/\"a&b<c>\"";
  saved.LastModified = L"Tue, 15 Nov 1994 12:45:26 GMT";
  saved.LastAttempt = 1'800'000'000;
  saved.Outcome = L"refused: same serial, other bytes";
  saved.HttpStatus = 200;
  saved.NextAttempt = 1'800'000'120;
  saved.Serial = 9'999'999'999'999'999'999u;
  saved.LastShown = 1'799'999'999;
  ASSERT_TRUE(SaveUserState(path, saved));
  EXPECT_EQ(LoadUserState(*doc, path), saved);

  WriteBytes(CacheFile("Korvane/Acme/Notify/State.xml"), "<State><Published Serial=");
  EXPECT_EQ(LoadUserState(*doc, path), UserState{});
}

TEST(UtcTime, WrittenAndReadBackOnlyInItsOwnForm) {
  for (const std::int64_t t : {0LL, 951'782'400LL, 1'800'000'000LL, 4'102'444'799LL}) {
    EXPECT_EQ(ParseUtcTime(FormatUtcTime(t)), t);
  }
  EXPECT_EQ(FormatUtcTime(951'782'400), L"2000-02-29T00:00:00Z");
  for (const wchar_t* bad : {L"2027-02-29T00:00:00Z", L"2027-04-31T00:00:00Z", L"2027-01-01 00:00:00Z",
                             L"2027-01-01T24:00:00Z", L"2027-01-01T00:00:00"}) {
    EXPECT_EQ(ParseUtcTime(bad), std::nullopt) << ToUtf8(bad);
  }
  EXPECT_EQ(ParseHttpDate(L"Sun, 06 Nov 1994 08:49:37 GMT"), ParseUtcTime(L"1994-11-06T08:49:37Z"));
  EXPECT_EQ(ParseHttpDate(L"Sunday, 06-Nov-94 08:49:37 GMT"), std::nullopt);
}

}  // namespace
}  // namespace notify::test
