#include "app/show_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace notify {
namespace {

constexpr std::uint64_t kThirtyMinutesMs = 30 * 60 * 1000;

// Thrown by the fake's ReleaseAndExit: not a std::exception, like a process that ends.
struct ProcessEnded {};

// The desk as a script: answers set by the test, the clock moved by the host's deferral waits.
class ScriptedDesk : public Desk {
 public:
  bool busy = false;
  bool away = false;
  bool pointerOver = false;
  Point pointer{1200, 900};
  ui::MonitorArea screen;
  std::uint64_t now = 1'000;

  bool Busy() override { return busy; }
  bool Away() override { return away; }
  bool PointerOverPopup() override { return pointerOver; }
  Point PointerPosition() override { return pointer; }
  ui::MonitorArea ScreenInUse() override { return screen; }
  std::uint64_t Milliseconds() override { return now; }
};

class FakeHost : public ShowLoopHost {
 public:
  std::vector<std::wstring> calls;
  std::set<std::wstring> existingFiles;
  std::function<void(int step)> onWaitStep;  // runs "inside" the wait, like a click
  std::function<void(int step)> onDeferStep;
  ScriptedDesk* desk = nullptr;
  int waitSteps = 0;
  int deferSteps = 0;
  bool failPlacement = false;
  bool failRecording = false;

  void LoadSkinStyle(const MsgRecord& r) override { calls.push_back(L"style:" + r.Style); }
  void LoadLogo(const MsgRecord& r) override { calls.push_back(L"logo:" + r.Logo); }
  void LayoutPopup(const MsgRecord& r) override { calls.push_back(L"layout:" + r.ID); }
  void SetRoundedRegion(std::int16_t w, std::int16_t h) override {
    calls.push_back(L"region:" + std::to_wstring(w) + L"x" + std::to_wstring(h));
  }
  void ApplyShadow() override { calls.push_back(L"shadow"); }
  void ShowShadow(bool show) override { calls.push_back(show ? L"strips:on" : L"strips:off"); }
  void PlacePopup(const ui::MonitorArea& screen) override {
    if (failPlacement) Fail("placement");
    calls.push_back(screen.monitor.left == 0 ? L"place" : L"place@" + std::to_wstring(screen.monitor.left));
  }
  void ShowForm() override { calls.push_back(L"show"); }
  void HideForm() override { calls.push_back(L"hide"); }
  bool FileExists(const std::wstring& path) override { return existingFiles.count(path) != 0; }
  void PlaySoundFile(const std::wstring& path) override { calls.push_back(L"sound:" + path); }
  void RecordSeenId(MsgRecord& r) override {
    calls.push_back(L"record:" + r.ID);
    if (!failRecording) r.Recorded = true;
  }
  void WaitStep() override {
    ++waitSteps;
    calls.push_back(L"wait");
    if (onWaitStep) onWaitStep(waitSteps);
  }
  void DeferStep() override {
    ++deferSteps;
    calls.push_back(L"defer");
    desk->now += kDeferCheckMs;
    if (onDeferStep) onDeferStep(deferSteps);
  }
  void ShellOpen(const std::wstring& target) override { calls.push_back(L"open:" + target); }
  // Each ask takes the next batch of its kind; none left: nothing arrived.
  std::vector<std::vector<MsgRecord>> arrivals, arrivalsAfterWait;
  std::vector<int> asks;  // messages shown when each ask came
  std::vector<MsgRecord> ArrivedMessages(bool wait) override {
    asks.push_back(Count(L"show"));
    auto& batches = wait ? arrivalsAfterWait : arrivals;
    if (batches.empty()) return {};
    auto batch = batches.front();
    batches.erase(batches.begin());
    return batch;
  }
  void ReleaseAndExit() override {
    calls.push_back(L"exit");
    throw ProcessEnded{};
  }

  int Count(const std::wstring& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call ? 1 : 0;
    return n;
  }
  // Wait steps between the show of message `id` and the next "show" or "exit".
  int StepsShowing(const std::wstring& id) const {
    bool inside = false;
    int steps = 0;
    for (const auto& c : calls) {
      if (c == L"layout:" + id) inside = true;
      else if (inside && (c.rfind(L"layout:", 0) == 0 || c == L"exit")) break;
      else if (inside && c == L"wait") ++steps;
    }
    return steps;
  }
};

MsgRecord Record(const std::wstring& id, std::int16_t autoShut, const std::wstring& style = L"Blue") {
  MsgRecord r;
  r.ID = id;
  r.AutoShut = autoShut;
  r.Style = style;
  return r;
}

// n catalogue messages of which the given ones were accepted, packed from slot 0.
std::vector<MsgRecord> Slots(std::size_t catalogueCount, std::vector<MsgRecord> accepted) {
  accepted.resize(catalogueCount + 1);
  return accepted;
}

struct Fixture {
  FakeHost host;
  ScriptedDesk desk;
  std::vector<MsgRecord> messages;
  ShowLoop loop;
  explicit Fixture(std::vector<MsgRecord> m, bool defer = true)
      : messages(std::move(m)), loop(host, desk, messages, L"C:\\App\\", defer) {
    host.desk = &desk;
  }
  void Run() { EXPECT_THROW(loop.RunShowLoop(), ProcessEnded); }
};

int IndexOf(const std::vector<std::wstring>& calls, const std::wstring& call) {
  for (std::size_t i = 0; i < calls.size(); ++i)
    if (calls[i] == call) return static_cast<int>(i);
  return -1;
}

TEST(ShowLoop, TwoMessagesEachStayForTheirAutoShutThenTheProgramEnds) {
  Fixture f(Slots(2, {Record(L"a", 5), Record(L"b", 5)}));
  f.Run();
  EXPECT_EQ(f.host.StepsShowing(L"a"), 5);
  EXPECT_EQ(f.host.StepsShowing(L"b"), 5);
  EXPECT_EQ(f.host.Count(L"record:a"), 1);
  EXPECT_EQ(f.host.Count(L"record:b"), 1);
  EXPECT_EQ(f.host.Count(L"exit"), 1);
  EXPECT_EQ(f.host.calls.back(), L"exit");
  EXPECT_EQ(f.host.Count(L"hide"), 0) << "nothing hides the window between two messages";
}

TEST(ShowLoop, StepsOfOneMessageAreInTheOrderTheWindowNeeds) {
  MsgRecord r = Record(L"a", 1);
  r.Round = true;
  r.Shadow = true;
  r.Sound = L"ding.wav";
  r.Logo = L"news.png";
  Fixture f(Slots(1, {r}));
  f.host.existingFiles.insert(L"C:\\App\\Sound\\ding.wav");
  f.Run();
  // What a user sees: the popup appears whole (skin, logo, text, corners, shadow, place),
  // its sound starts with it, and it is seen (recorded) only once it shows.
  const auto& c = f.host.calls;
  const int show = IndexOf(c, L"show");
  ASSERT_GE(show, 0);
  for (const wchar_t* before : {L"style:Blue", L"logo:news.png", L"layout:a", L"region:5x5", L"shadow", L"place"}) {
    EXPECT_GE(IndexOf(c, before), 0) << ToUtf8(before);
    EXPECT_LT(IndexOf(c, before), show) << ToUtf8(before) << " after the popup appeared";
  }
  EXPECT_GT(IndexOf(c, L"sound:C:\\App\\Sound\\ding.wav"), show);
  EXPECT_GT(IndexOf(c, L"record:a"), show);
  EXPECT_EQ(f.host.StepsShowing(L"a"), 1);
  EXPECT_EQ(c.back(), L"exit");
}

TEST(ShowLoop, AutoShutRulesForZeroNegativeAndClickRestart) {
  {  // negative: one step
    Fixture f(Slots(1, {Record(L"a", -3)}));
    f.Run();
    EXPECT_EQ(f.host.waitSteps, 1);
  }
  {  // zero: only a button ends the wait; a close click in step 4 of a single message ends all
    Fixture f(Slots(1, {Record(L"a", 0)}));
    f.host.onWaitStep = [&](int step) {
      if (step == 4) f.loop.CmdCloseClick();
    };
    f.Run();
    EXPECT_EQ(f.host.waitSteps, 4);
    EXPECT_EQ(f.host.Count(L"hide"), 0);
  }
  {  // AutoShut 10 closed during the 4th step: the count restarts at 1, so 8 more steps follow
    Fixture f(Slots(2, {Record(L"a", 10), Record(L"b", 2)}));
    f.host.onWaitStep = [&](int step) {
      if (step == 4) f.loop.CmdCloseClick();
    };
    f.Run();
    EXPECT_EQ(f.host.StepsShowing(L"a"), 12);
    EXPECT_EQ(f.host.Count(L"hide"), 1) << "message b is not recorded yet, so close only hides";
    EXPECT_EQ(f.host.StepsShowing(L"b"), 2);
  }
}

TEST(ShowLoop, CloseEndsAtOnceOnlyWhenEverySlotBeforeTheSpareIsRecorded) {
  {  // three catalogue messages, two accepted: the empty third slot is never recorded
    Fixture f(Slots(3, {Record(L"a", 0), Record(L"b", 0)}));
    f.host.onWaitStep = [&](int step) { f.loop.CmdCloseClick(), (void)step; };
    f.Run();
    EXPECT_EQ(f.host.Count(L"hide"), 2);
    EXPECT_EQ(f.host.waitSteps, 2) << "the loop, not the click, ends the program";
  }
  {  // all accepted and recorded: the close click ends the process inside the wait
    Fixture f(Slots(2, {Record(L"a", 0), Record(L"b", 0)}));
    f.host.onWaitStep = [&](int) { f.loop.CmdCloseClick(); };
    f.Run();
    EXPECT_EQ(f.host.Count(L"hide"), 1);
    EXPECT_EQ(f.host.calls.back(), L"exit");
    EXPECT_EQ(f.host.Count(L"exit"), 1) << "the interrupted wait never resumes";
  }
  {  // a failed recording keeps the program alive: close hides instead of ending
    Fixture f(Slots(1, {Record(L"a", 0)}));
    f.host.failRecording = true;
    f.host.onWaitStep = [&](int) { f.loop.CmdCloseClick(); };
    f.Run();
    EXPECT_EQ(f.host.Count(L"hide"), 1);
    EXPECT_EQ(f.host.waitSteps, 1);
  }
}

TEST(ShowLoop, ConfirmOpensTheCurrentLinkThenActsAsClose) {
  MsgRecord withLink = Record(L"a", 0);
  withLink.Uri = L"https://example.org/news";
  Fixture f(Slots(2, {withLink, Record(L"b", 0)}));
  f.host.onWaitStep = [&](int) { f.loop.CmdConfirmClick(); };
  f.Run();
  EXPECT_EQ(f.host.Count(L"open:https://example.org/news"), 1);
  int opens = 0;
  for (const auto& c : f.host.calls) opens += c.rfind(L"open:", 0) == 0 ? 1 : 0;
  EXPECT_EQ(opens, 1) << "an empty Uri opens nothing";
  EXPECT_EQ(f.host.Count(L"hide"), 1);
  EXPECT_EQ(f.host.Count(L"exit"), 1);
}

TEST(ShowLoop, StyleLoadsOnlyWhenItChangesWithoutCase) {
  Fixture f(Slots(5, {Record(L"a", 1, L""), Record(L"b", 1, L"Blue"), Record(L"c", 1, L"BLUE"),
                      Record(L"d", 1, L"Green"), Record(L"e", 1, L"blue")}));
  f.Run();
  std::vector<std::wstring> loads;
  for (const auto& c : f.host.calls)
    if (c.rfind(L"style:", 0) == 0) loads.push_back(c);
  EXPECT_EQ(loads, (std::vector<std::wstring>{L"style:Blue", L"style:Green", L"style:blue"}));
}

// The first look is made and placed on the hidden popup before the tick; the show uses it
// while the screen in use is the one it was placed on, and makes it again on another.
TEST(ShowLoop, TheFirstLookIsMadeAheadAndRemadeOnlyWhereTheScreenChanged) {
  struct Case {
    const char* what;
    bool screenMoves;
    std::vector<std::wstring> atShow;  // calls from the first message's show to its record
  };
  const Case cases[] = {
      {"same screen", false, {L"show", L"record:a"}},
      {"another screen", true,
       {L"logo:", L"layout:a", L"region:5x5", L"strips:on", L"place@1920", L"show", L"record:a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MsgRecord a = Record(L"a", 1, L"Blue");
    a.Round = a.Shadow = true;
    Fixture f(Slots(2, {a, Record(L"b", 1, L"Green")}));
    f.loop.PrepareFirst();
    EXPECT_EQ(f.host.calls,
              (std::vector<std::wstring>{L"style:Blue", L"logo:", L"layout:a", L"region:5x5", L"shadow", L"place"}))
        << "nothing shown yet";
    if (c.screenMoves) f.desk.screen.monitor = {1920, 0, 3840, 1080};
    f.host.calls.clear();
    f.Run();
    const auto record = std::find(f.host.calls.begin(), f.host.calls.end(), L"record:a");
    EXPECT_EQ(std::vector<std::wstring>(f.host.calls.begin(), record + 1), c.atShow);
    EXPECT_EQ(f.host.Count(L"style:Green"), 1) << "the next message has its own look";
  }
}

// The shadow attaches once; afterwards each message shows or hides the strips as its own
// Shadow says, hiding them before its layout and showing them only once it is laid out.
TEST(ShowLoop, ShadowAttachesOnceAndFollowsEachMessagesOwnSetting) {
  MsgRecord a = Record(L"a", 1), b = Record(L"b", 1), c = Record(L"c", 1), d = Record(L"d", 1), e = Record(L"e", 1);
  b.Shadow = c.Shadow = e.Shadow = true;
  a.Round = true;
  Fixture f(Slots(5, {a, b, c, d, e}));
  f.Run();
  EXPECT_EQ(f.host.Count(L"shadow"), 1);
  EXPECT_TRUE(f.loop.ShadowApplied());
  EXPECT_EQ(f.host.Count(L"region:5x5"), 1);
  EXPECT_EQ(f.host.Count(L"region:0x0"), 4) << "every message replaces the region";
  std::vector<std::wstring> shadowSteps;
  for (const auto& call : f.host.calls) {
    if (call == L"shadow" || call.rfind(L"strips:", 0) == 0 || call.rfind(L"layout:", 0) == 0) shadowSteps.push_back(call);
  }
  const std::vector<std::wstring> expected = {L"layout:a", L"layout:b",   L"shadow", L"layout:c", L"strips:on",
                                              L"strips:off", L"layout:d", L"layout:e", L"strips:on"};
  EXPECT_EQ(shadowSteps, expected);
}

TEST(ShowLoop, MissingSoundIsSkippedAndAnEmptySelectionShowsNothing) {
  MsgRecord r = Record(L"a", 1);
  r.Sound = L"missing.wav";
  Fixture f(Slots(1, {r}));
  f.Run();
  for (const auto& c : f.host.calls) EXPECT_NE(c.rfind(L"sound:", 0), 0u);

  Fixture none(Slots(3, {}));
  none.Run();
  EXPECT_EQ(none.host.calls, std::vector<std::wstring>{L"exit"});
}

TEST(ShowLoop, AnErrorFromPlacementEndsTheProgramInOrder) {
  Fixture f(Slots(2, {Record(L"a", 1), Record(L"b", 1)}));
  f.host.failPlacement = true;
  f.Run();
  EXPECT_EQ(f.host.Count(L"show"), 0);
  EXPECT_EQ(f.host.Count(L"exit"), 1);
  EXPECT_EQ(f.host.calls.back(), L"exit");
}

// Index of the first call equal to `call`, or -1.
TEST(ShowLoopDeferral, EachMessageWaitsHiddenAndUnrecordedUntilTheDeskIsClear) {
  Fixture f(Slots(2, {Record(L"a", 2), Record(L"b", 2)}));
  f.desk.busy = true;  // a full-screen window before the first message
  f.host.onDeferStep = [&](int step) {
    if (step == 3) f.desk.busy = false;
    if (step == 4) f.desk.busy = false, f.desk.away = true;  // ... then left the desk
    if (step == 5) f.desk.away = false;
  };
  f.host.onWaitStep = [&](int step) {
    if (step == 2) f.desk.busy = true;  // someone went full screen while a was up ...
  };
  f.Run();
  const auto& c = f.host.calls;
  EXPECT_EQ(f.host.deferSteps, 5);
  // Nothing of a happens before its three deferral waits.
  EXPECT_EQ(IndexOf(c, L"defer"), 1) << "hidden first, then the waits";
  EXPECT_GT(IndexOf(c, L"layout:a"), IndexOf(c, L"defer") + 2);
  EXPECT_EQ(f.host.StepsShowing(L"a"), 2) << "a message on screen keeps its place and its time";
  // b waits for its two steps with a's popup hidden and b unrecorded.
  const int hideB = static_cast<int>(std::find(c.begin() + IndexOf(c, L"record:a"), c.end(), L"hide") - c.begin());
  EXPECT_LT(hideB, IndexOf(c, L"layout:b"));
  EXPECT_LT(IndexOf(c, L"record:a"), hideB);
  EXPECT_EQ(f.host.Count(L"record:b"), 1);
  EXPECT_EQ(f.host.StepsShowing(L"b"), 2);
  EXPECT_EQ(c.back(), L"exit");
}

TEST(ShowLoopDeferral, ThirtyMinutesOfDeferralInAllEndTheRunWithoutTheWaitingMessage) {
  {  // never clear: nothing shown, nothing recorded, the end after 30 min of 2 s waits
    Fixture f(Slots(1, {Record(L"a", 1)}));
    f.desk.away = true;
    const std::uint64_t start = f.desk.now;
    f.Run();
    EXPECT_GE(f.desk.now - start, kThirtyMinutesMs);
    EXPECT_LT(f.desk.now - start, kThirtyMinutesMs + 5'000) << "waited on long after the limit";
    EXPECT_EQ(f.host.Count(L"show"), 0);
    EXPECT_EQ(f.host.Count(L"record:a"), 0);
    EXPECT_EQ(f.host.calls.back(), L"exit");
  }
  {  // 10 min before a, then 20 more before b: the limit counts the whole run
    Fixture f(Slots(3, {Record(L"a", 1), Record(L"b", 1), Record(L"c", 1)}));
    f.desk.busy = true;
    const std::uint64_t start = f.desk.now;
    bool cleared = false;  // once, after ten minutes
    f.host.onDeferStep = [&](int) {
      if (cleared || f.desk.now - start < kThirtyMinutesMs / 3) return;
      cleared = true;
      f.desk.busy = false;
    };
    f.host.onWaitStep = [&](int) { f.desk.busy = true; };
    f.Run();
    EXPECT_GE(f.desk.now - start, kThirtyMinutesMs);
    EXPECT_LT(f.desk.now - start, kThirtyMinutesMs + 5'000);
    EXPECT_EQ(f.host.Count(L"record:a"), 1);
    EXPECT_EQ(f.host.Count(L"record:b"), 0);
    EXPECT_EQ(f.host.Count(L"layout:c"), 0) << "the run ends in order, not with the next message";
  }
}

TEST(ShowLoopDeferral, DeferOffShowsAtOnceAndCountsDownUnwatched) {
  Fixture f(Slots(1, {Record(L"a", 3)}), /*defer=*/false);
  f.desk.busy = f.desk.away = true;
  f.Run();
  EXPECT_EQ(f.host.deferSteps, 0);
  EXPECT_EQ(f.host.Count(L"record:a"), 1);
  EXPECT_EQ(f.host.StepsShowing(L"a"), 3);
}

TEST(ShowLoopCountdown, PausesWhileThePointerRestsOnThePopupOrNobodyIsThere) {
  {  // moved onto the popup during steps 2 to 4: those three do not count
    Fixture f(Slots(1, {Record(L"a", 3)}));
    f.host.onWaitStep = [&](int step) {
      f.desk.pointerOver = step >= 2 && step <= 4;
      f.desk.pointer = f.desk.pointerOver ? Point{1000, 800} : Point{10, 10};
    };
    f.Run();
    EXPECT_EQ(f.host.waitSteps, 6);
  }
  {  // away during steps 1 and 2
    Fixture f(Slots(1, {Record(L"a", 2)}));
    f.host.onWaitStep = [&](int step) { f.desk.away = step <= 2; };
    f.Run();
    EXPECT_EQ(f.host.waitSteps, 4);
    EXPECT_EQ(f.host.deferSteps, 0) << "away during a countdown is a pause, not a deferral";
  }
  {  // a button still ends the wait while paused
    Fixture f(Slots(1, {Record(L"a", 5)}));
    f.desk.pointerOver = true;
    f.host.onWaitStep = [&](int step) {
      if (step == 3) f.loop.CmdCloseClick();
    };
    f.Run();
    EXPECT_EQ(f.host.waitSteps, 3);
  }
}

TEST(ShowLoopCountdown, APointerOnThePopupPausesOnlyOnceItHasMovedSinceThePopupAppeared) {
  // The pointer's place at the show and after each wait step, over the popup until step 4;
  // the wait steps an AutoShut 2 message stays.
  struct Case {
    const char* what;
    std::vector<Point> path;
    int steps;
  };
  const Point shown{1100, 850}, other{1150, 870};
  const Case cases[] = {
      {"resting where the popup appeared", {shown, shown, shown, shown, shown, shown}, 2},
      {"moved during the first step, then resting", {shown, other, other, other, shown, shown}, 5},
      {"moved later: the steps before it count", {shown, shown, other, other, other, other}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(Slots(1, {Record(L"a", 2)}));
    f.desk.pointerOver = true;
    f.desk.pointer = c.path[0];
    f.host.onWaitStep = [&](int step) {
      f.desk.pointer = c.path[std::min<std::size_t>(static_cast<std::size_t>(step), c.path.size() - 1)];
      if (step == 4) f.desk.pointerOver = false;  // then it leaves the popup
    };
    f.Run();
    EXPECT_EQ(f.host.waitSteps, c.steps);
  }
}

TEST(ShowLoopScreen, EachMessageIsPlacedOnTheScreenInUseWhenItShows) {
  Fixture f(Slots(2, {Record(L"a", 1), Record(L"b", 1)}));
  f.host.onWaitStep = [&](int) { f.desk.screen = {{1920, 0, 3200, 1024}, {1920, 0, 3200, 984}}; };
  f.Run();
  EXPECT_LT(IndexOf(f.host.calls, L"place"), IndexOf(f.host.calls, L"place@1920"));
  EXPECT_GT(IndexOf(f.host.calls, L"place@1920"), IndexOf(f.host.calls, L"layout:b"));
}

}  // namespace
}  // namespace notify

namespace notify {
namespace {

std::vector<std::wstring> Shown(const FakeHost& host) {
  std::vector<std::wstring> ids;
  for (const auto& c : host.calls) {
    if (c.rfind(L"layout:", 0) == 0) ids.push_back(c.substr(7));
  }
  return ids;
}

struct MergeCase {
  const char* name;
  std::vector<MsgRecord> local;
  std::vector<std::vector<MsgRecord>> between, afterWait;
  std::vector<std::wstring> shown;
};

class ShowLoopArrivals : public testing::TestWithParam<MergeCase> {};

TEST_P(ShowLoopArrivals, PublishedMessagesFollowTheLocalOnesOnceEachInTheirOrder) {
  const auto& c = GetParam();
  Fixture f(Slots(c.local.size(), c.local));
  f.host.arrivals = c.between;
  f.host.arrivalsAfterWait = c.afterWait;
  f.Run();
  EXPECT_EQ(Shown(f.host), c.shown);
  // Nothing is asked for before the first local message is on screen.
  if (!c.local.empty()) {
    ASSERT_FALSE(f.host.asks.empty());
    EXPECT_GE(f.host.asks.front(), 1);
  }
  EXPECT_EQ(f.host.calls.back(), L"exit");
}

INSTANTIATE_TEST_SUITE_P(
    Merge, ShowLoopArrivals,
    testing::Values(
        MergeCase{"kept_copy_after_local", {Record(L"a", 1), Record(L"b", 1)}, {{Record(L"p1", 1), Record(L"p2", 1)}},
                  {}, {L"a", L"b", L"p1", L"p2"}},
        MergeCase{"same_id_any_case_shows_once", {Record(L"a", 1)}, {{Record(L"A", 1), Record(L"p", 1), Record(L"p", 1)}},
                  {}, {L"a", L"p"}},
        MergeCase{"fetched_copy_waited_for_at_the_end", {Record(L"a", 1)}, {}, {{Record(L"f", 1)}}, {L"a", L"f"}},
        MergeCase{"nothing_local_due_shows_arrivals", {}, {}, {{Record(L"f", 1)}, {Record(L"g", 1)}}, {L"f", L"g"}},
        MergeCase{"nothing_arrives", {Record(L"a", 1)}, {}, {}, {L"a"}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace notify
