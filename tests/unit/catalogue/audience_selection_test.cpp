// The audience attributes through the whole selection, with the languages, the host's
// version and the clock given; and the last-shown time kept in State.xml, not the cache.
#include <gtest/gtest.h>

#include "catalogue/cache.h"
#include "catalogue/selection.h"
#include "catalogue/user_state.h"
#include "catalogue_fixture.h"
#include "platform/xml/file_io.h"

namespace notify::test {
namespace {

constexpr std::int64_t kNow = 1'750'000'000;

class AudienceSelection : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    env.Languages = [] { return std::vector<std::wstring>{L"de-AT", L"en-US"}; };
    env.ProgramVersion = [this](const std::wstring& path) {
      programAsked = path;
      return std::optional(DottedVersion{6, 0, 2, 0});
    };
    env.Now = [] { return kNow; };
  }
  std::wstring StatePath() const { return StatePathFor(CachePathFor(appDataFolder, L"Acme.Notify")); }
  std::wstring programAsked;
};

TEST_F(AudienceSelection, EachAttributeLetsThroughOrHoldsBack) {
  const std::wstring program = L" AppID=\"Acme.Notify\" Program=\"{#P@CUR}Host.exe\"";
  const struct {
    const char* name;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    std::wstring root;
    bool shows;
  } cases[] = {
      {"no audience", {}, L" AppID=\"Acme.Notify\"", true},
      {"started", {{L"Start", L"2025-06-15"}}, program, true},
      {"not yet", {{L"Start", L"2025-06-16"}}, program, false},
      {"not yet beats expired", {{L"Start", L"2025-06-16"}, {L"Limit", L"2025-01-01"}}, program, false},
      {"a language of the user", {{L"Lang", L"fr de"}}, program, true},
      {"another region", {{L"Lang", L"de-DE"}}, program, false},
      {"in the range", {{L"MinVersion", L"6"}, {L"BelowVersion", L"6.0.3"}}, program, true},
      {"below the range", {{L"MinVersion", L"6.1"}}, program, false},
      {"above the range", {{L"BelowVersion", L"6.0.2"}}, program, false},
      {"a range without Program", {{L"MinVersion", L"1"}}, L" AppID=\"Acme.Notify\"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MessageFields message = DefaultMessage(L"m");
    for (const auto& [key, value] : c.attributes) message = With(message, key, value);
    WriteCatalogue({message}, c.root);
    ASSERT_TRUE(Select());
    EXPECT_EQ(AcceptedIds(), c.shows ? std::vector<std::wstring>{L"m"} : std::vector<std::wstring>{});
  }
  EXPECT_EQ(programAsked, programFolder + L"Host.exe");
}

TEST_F(AudienceSelection, MaxPerRunKeepsTheFirstInCatalogueOrder) {
  WriteCatalogue({DefaultMessage(L"a"), With(DefaultMessage(L"b"), L"Lang", L"fr"), DefaultMessage(L"c"),
                  DefaultMessage(L"d")},
                 L" AppID=\"Acme.Notify\" MaxPerRun=\"2\"");
  ASSERT_TRUE(Select());
  EXPECT_EQ(AcceptedIds(), (std::vector<std::wstring>{L"a", L"c"}));
}

TEST_F(AudienceSelection, MinHoursReadsTheLastShownTimeFromTheStateFile) {
  const struct {
    const char* name;
    std::optional<std::int64_t> lastShown;
    bool shows;
  } cases[] = {{"never shown", std::nullopt, true},
               {"an hour ago", kNow - 3600, false},
               {"a day ago", kNow - 24 * 3600, true}};
  WriteCatalogue({DefaultMessage(L"a")}, L" AppID=\"Acme.Notify\" MinHours=\"24\"");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UserState saved;
    saved.LastShown = c.lastShown;
    ASSERT_TRUE(SaveUserState(StatePath(), saved));
    ASSERT_TRUE(Select());
    EXPECT_EQ(AcceptedIds().size(), c.shows ? 1u : 0u);
  }
}

TEST_F(AudienceSelection, TheShownTimeGoesToTheStateFileAndTheCacheStaysAsItWas) {
  WriteCatalogue({DefaultMessage(L"a")}, L" AppID=\"Acme.Notify\" MinHours=\"24\"");
  ASSERT_TRUE(Select());
  const auto cacheBefore = xml::ReadFileBytes(state.CachePath);
  UserState published;
  published.ETag = L"\"v7\"";
  ASSERT_TRUE(SaveUserState(StatePath(), published));

  RecordLastShown(*doc, state.CachePath, kNow);
  const UserState after = LoadUserState(*doc, StatePath());
  EXPECT_EQ(after.LastShown, kNow);
  EXPECT_EQ(after.ETag, L"\"v7\"");  // the published catalogue's part is kept
  EXPECT_EQ(xml::ReadFileBytes(state.CachePath), cacheBefore);
  ASSERT_TRUE(Select());
  EXPECT_TRUE(AcceptedIds().empty());  // the next run, minutes later, shows nothing
}

}  // namespace
}  // namespace notify::test
