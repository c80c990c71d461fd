#include "app/show_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/error.h"

namespace notify {
namespace {

// Thrown by the fake's ReleaseAndExit: not a std::exception, like a process that ends.
struct ProcessEnded {};

class FakeHost : public ShowLoopHost {
 public:
  std::vector<std::wstring> calls;
  std::set<std::wstring> existingFiles;
  std::function<void(int step)> onWaitStep;  // runs "inside" the wait, like a click
  int waitSteps = 0;
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
  void PlacePopup() override {
    if (failPlacement) Fail("placement");
    calls.push_back(L"place");
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
  void ShellOpen(const std::wstring& target) override { calls.push_back(L"open:" + target); }
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
  std::vector<MsgRecord> messages;
  ShowLoop loop;
  explicit Fixture(std::vector<MsgRecord> m) : messages(std::move(m)), loop(host, messages, L"C:\\App\\") {}
  void Run() { EXPECT_THROW(loop.RunShowLoop(), ProcessEnded); }
};

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
  const std::vector<std::wstring> expected = {L"style:Blue", L"logo:news.png", L"layout:a", L"region:5x5", L"shadow", L"place", L"show",
                                              L"sound:C:\\App\\Sound\\ding.wav", L"record:a", L"wait", L"exit"};
  EXPECT_EQ(f.host.calls, expected);
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

TEST(ShowLoop, EveryMessageAsksForItsOwnLogoEvenUnderTheSameStyle) {
  MsgRecord a = Record(L"a", 1), b = Record(L"b", 1);
  a.Logo = L"one.png";
  b.Logo = L"two.png";
  Fixture f(Slots(2, {a, b}));
  f.Run();
  EXPECT_EQ(f.host.Count(L"style:Blue"), 1);
  EXPECT_EQ(f.host.Count(L"logo:one.png"), 1);
  EXPECT_EQ(f.host.Count(L"logo:two.png"), 1);
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

}  // namespace
}  // namespace notify
