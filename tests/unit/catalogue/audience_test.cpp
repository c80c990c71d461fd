// The audience rules with their context given: the start day, the user's languages, the
// host's version and the pacing of a run.
#include "catalogue/audience.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace notify {
namespace {

TEST(Audience, VersionsReadUpToFourNumbers) {
  const struct {
    const wchar_t* text;
    std::optional<DottedVersion> version;
  } cases[] = {
      {L"6", DottedVersion{6, 0, 0, 0}},
      {L"6.0.1", DottedVersion{6, 0, 1, 0}},
      {L"1.2.3.4", DottedVersion{1, 2, 3, 4}},
      {L"65535.0", DottedVersion{65535, 0, 0, 0}},
      {L"65536", std::nullopt},
      {L"1.2.3.4.5", std::nullopt},
      {L"1..2", std::nullopt},
      {L"1.", std::nullopt},
      {L"", std::nullopt},
      {L"v6", std::nullopt},
      {L"6 ", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseVersion(c.text), c.version) << ToUtf8(c.text);
  EXPECT_EQ(VersionFromText(L" 6.1 "), (DottedVersion{6, 1, 0, 0}));
  EXPECT_THROW(VersionFromText(L"six"), std::exception);
  EXPECT_EQ(VersionText({6, 0, 12, 3}), L"6.0.12.3");
}

TEST(Audience, LanguageTagsMatchLanguageOrLanguageAndRegion) {
  const struct {
    const wchar_t* tag;
    const wchar_t* user;
    bool matches;
  } cases[] = {
      {L"en", L"en-US", true},   {L"en", L"en", true},       {L"EN", L"en-gb", true},
      {L"de-AT", L"de-AT", true}, {L"de-at", L"DE-AT", true}, {L"de-AT", L"de-DE", false},
      {L"de-AT", L"de", false},   {L"zh", L"zh-CN", true},    {L"zh-CN", L"zh-CN", true},
      {L"zh-CN", L"zh-TW", false}, {L"en", L"eng", false},     {L"fr", L"en-FR", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LanguageMatches(c.tag, c.user), c.matches) << ToUtf8(c.tag) << " / " << ToUtf8(c.user);
  }
  EXPECT_EQ(LanguageTags(L"  zh-CN\tzh \n en "), (std::vector<std::wstring>{L"zh-CN", L"zh", L"en"}));
  for (const wchar_t* good : {L"en", L"zh-CN", L"de-AT", L"sr-Latn-RS", L"es-419", L"haw"}) {
    EXPECT_TRUE(IsWellFormedLanguageTag(good)) << ToUtf8(good);
  }
  for (const wchar_t* bad : {L"e", L"english", L"en_US", L"en-", L"-en", L"12", L"en--US", L"de-ABCDEFGHI"}) {
    EXPECT_FALSE(IsWellFormedLanguageTag(bad)) << ToUtf8(bad);
  }
}

TEST(Audience, RulesDecideFromTheRecordAndTheContext) {
  const AudienceContext german{{2026, 6, 1}, {L"de-AT", L"en-US"}, DottedVersion{6, 0, 2, 0}};
  const AudienceContext noProgram{{2026, 6, 1}, {L"de-AT"}, std::nullopt};
  auto record = [](auto change) {
    MsgRecord r;
    r.ID = L"x";
    change(r);
    return r;
  };
  const struct {
    const char* name;
    MsgRecord record;
    const AudienceContext& context;
    Audience start;
    Audience rest;
  } cases[] = {
      {"nothing set", record([](MsgRecord&) {}), noProgram, Audience::Due, Audience::Due},
      {"start tomorrow", record([](MsgRecord& r) { r.Start = CivilDate{2026, 6, 2}; }), german, Audience::NotYet,
       Audience::Due},
      {"start today", record([](MsgRecord& r) { r.Start = CivilDate{2026, 6, 1}; }), german, Audience::Due,
       Audience::Due},
      {"second language", record([](MsgRecord& r) { r.Lang = {L"fr", L"en"}; }), german, Audience::Due,
       Audience::Due},
      {"region not spoken", record([](MsgRecord& r) { r.Lang = {L"de-DE"}; }), german, Audience::Due,
       Audience::OtherLanguage},
      {"at the minimum", record([](MsgRecord& r) { r.MinVersion = DottedVersion{6, 0, 2, 0}; }), german,
       Audience::Due, Audience::Due},
      {"below the minimum", record([](MsgRecord& r) { r.MinVersion = DottedVersion{6, 1, 0, 0}; }), german,
       Audience::Due, Audience::OtherVersion},
      {"at the bound", record([](MsgRecord& r) { r.BelowVersion = DottedVersion{6, 0, 2, 0}; }), german,
       Audience::Due, Audience::OtherVersion},
      {"below the bound", record([](MsgRecord& r) { r.BelowVersion = DottedVersion{6, 0, 2, 1}; }), german,
       Audience::Due, Audience::Due},
      {"range without program", record([](MsgRecord& r) { r.BelowVersion = DottedVersion{9, 0, 0, 0}; }), noProgram,
       Audience::Due, Audience::OtherVersion},
      {"language before version", record([](MsgRecord& r) {
         r.Lang = {L"fr"};
         r.MinVersion = DottedVersion{9, 0, 0, 0};
       }),
       german, Audience::Due, Audience::OtherLanguage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StartRule(c.record, c.context), c.start);
    EXPECT_EQ(LanguageAndVersionRules(c.record, c.context), c.rest);
  }
}

TEST(Audience, PacingHoldsByHoursThenByCount) {
  constexpr std::int64_t kNow = 1'800'000'000;
  const struct {
    const char* name;
    Pacing pacing;
    std::int32_t shownSoFar;
    std::optional<std::int64_t> lastShown;
    Held held;
    std::size_t ofThreeArriving;  // published messages queued after shownSoFar
  } cases[] = {
      {"no pacing", {}, 40, kNow, Held::No, 3},
      {"under the count", {2, std::nullopt}, 1, std::nullopt, Held::No, 1},
      {"at the count", {2, std::nullopt}, 2, std::nullopt, Held::PerRun, 0},
      {"never shown", {std::nullopt, 24}, 0, std::nullopt, Held::No, 3},
      {"shown an hour ago", {std::nullopt, 24}, 0, kNow - 3600, Held::Hours, 0},
      {"shown exactly 24 h ago", {std::nullopt, 24}, 0, kNow - 24 * 3600, Held::No, 3},
      {"hours before count", {1, 24}, 5, kNow - 60, Held::Hours, 0},
      {"hours passed, count met", {1, 24}, 1, kNow - 25 * 3600, Held::PerRun, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PacingRule(c.pacing, c.shownSoFar, {kNow, c.lastShown}), c.held);
    EXPECT_EQ(PacedCount(c.pacing, c.shownSoFar, {kNow, c.lastShown}, 3), c.ofThreeArriving);
  }
  EXPECT_EQ(HeldUntil({std::nullopt, 3}, {kNow, kNow - 3600}), kNow + 2 * 3600);
}

}  // namespace
}  // namespace notify
