#include "controls/button/uc04_core.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "uc04_recorder.h"

namespace notify::button::test {
namespace {

using Story = std::vector<std::string>;

// A 31 x 21 control with defaults applied and a face strip set; the log starts empty.
struct Rig {
  Rig() {
    core.Initialize();
    core.InitProperties();
    core.SetBtnPic(picture);
    rec.ops.clear();
  }
  Recorder rec;
  UC04Core core{rec, rec, rec.events};
  std::shared_ptr<TestPicture> picture = std::make_shared<TestPicture>(7);
};

struct Transition {
  const char* name;
  std::function<void(Rig&)> prepare;
  std::function<void(Rig&)> act;
  Story story;
};

void Nothing(Rig&) {}

const std::vector<Transition>& Transitions() {
  static const std::vector<Transition> rows = {
      {"shown draws the resting cell", Nothing, [](Rig& r) { r.core.Show(); }, {"cell 0"}},
      {"resized clears, then draws the resting cell",
       Nothing,
       [](Rig& r) { r.core.Resize(); },
       {"clear", "cell 0"}},
      {"focus entry arms TM01 and draws nothing",
       Nothing,
       [](Rig& r) { r.core.GotFocus(); },
       {"timer start"}},
      {"focus exit draws cell 0 and pushes it",
       Nothing,
       [](Rig& r) { r.core.LostFocus(); },
       {"cell 0", "refresh"}},
      {"focus exit draws cell 0 with State 1",
       [](Rig& r) { r.core.SetState(1); },
       [](Rig& r) { r.core.LostFocus(); },
       {"cell 0", "refresh"}},
      {"focus exit draws cell 0 while disabled",
       [](Rig& r) { r.core.SetEnabled(false); },
       [](Rig& r) { r.core.LostFocus(); },
       {"cell 0", "refresh"}},
      {"left press draws cell 1, then raises",
       Nothing,
       [](Rig& r) { r.core.MouseDown(1, 0, 5, 6); },
       {"cell 1", "event MouseDown 1 0 5 6"}},
      {"right press draws cell 1 like a left one",
       Nothing,
       [](Rig& r) { r.core.MouseDown(2, 1, 5, 6); },
       {"cell 1", "event MouseDown 2 1 5 6"}},
      {"first move in draws hover after the event",
       Nothing,
       [](Rig& r) { r.core.MouseMove(0, 0, 5, 6); },
       {"timer start", "event MouseMove 0 0 5 6", "cell 3"}},
      {"further moves without the left button draw nothing",
       [](Rig& r) { r.core.MouseMove(0, 0, 5, 6); },
       [](Rig& r) { r.core.MouseMove(0, 0, 7, 8); },
       {"timer start", "event MouseMove 0 0 7 8"}},
      {"every move with exactly the left button draws cell 1",
       [](Rig& r) { r.core.MouseMove(1, 0, 5, 6); },
       [](Rig& r) { r.core.MouseMove(1, 2, 7, 8); },
       {"timer start", "event MouseMove 1 2 7 8", "cell 1"}},
      {"right-button move over a hovered control keeps cell 1",
       [](Rig& r) {
         r.core.MouseMove(0, 0, 5, 6);
         r.core.MouseDown(2, 0, 5, 6);
       },
       [](Rig& r) { r.core.MouseMove(2, 0, 6, 6); },
       {"timer start", "event MouseMove 2 0 6 6"}},
      {"left and right held is not exactly left",
       Nothing,
       [](Rig& r) { r.core.MouseMove(3, 0, 5, 6); },
       {"timer start", "event MouseMove 3 0 5 6", "cell 3"}},
      {"a move at X = width, Y = height is inside",
       Nothing,
       [](Rig& r) { r.core.MouseMove(0, 0, 31, 21); },
       {"timer start", "event MouseMove 0 0 31 21", "cell 3"}},
      {"a move at X = 0, Y = 0 is inside",
       Nothing,
       [](Rig& r) { r.core.MouseMove(0, 0, 0, 0); },
       {"timer start", "event MouseMove 0 0 0 0", "cell 3"}},
      {"a move at X = -0.5 is outside",
       Nothing,
       [](Rig& r) { r.core.MouseMove(0, 0, -0.5f, 3); },
       {"timer start"}},
      {"a move at Y = -0.5 is outside",
       Nothing,
       [](Rig& r) { r.core.MouseMove(0, 0, 3, -0.5f); },
       {"timer start"}},
      {"a move at X = width + 0.5 is outside",
       Nothing,
       [](Rig& r) { r.core.MouseMove(1, 0, 31.5f, 3); },
       {"timer start"}},
      {"a move at Y = height + 0.5 is outside",
       Nothing,
       [](Rig& r) { r.core.MouseMove(1, 0, 3, 21.5f); },
       {"timer start"}},
      {"release draws hover, then raises",
       Nothing,
       [](Rig& r) { r.core.MouseUp(1, 0, 5, 6); },
       {"cell 3", "event MouseUp 1 0 5 6"}},
      {"release outside draws hover too",
       Nothing,
       [](Rig& r) { r.core.MouseUp(2, 4, -20, 50); },
       {"cell 3", "event MouseUp 2 4 -20 50"}},
      {"tick with the pointer over the control does nothing",
       [](Rig& r) { r.rec.pointerOver = true; },
       [](Rig& r) { r.core.TimerTick(); },
       {}},
      {"tick with the pointer elsewhere restores the rest look, then MouseOut",
       Nothing,
       [](Rig& r) { r.core.TimerTick(); },
       {"timer stop", "cell 0", "event MouseOut"}},
      {"tick elsewhere with State 1 restores cell 4",
       [](Rig& r) { r.core.SetState(1); },
       [](Rig& r) { r.core.TimerTick(); },
       {"timer stop", "cell 4", "event MouseOut"}},
      {"tick elsewhere while disabled draws cell 2",
       [](Rig& r) { r.core.SetEnabled(false); },
       [](Rig& r) { r.core.TimerTick(); },
       {"timer stop", "cell 2", "event MouseOut"}},
      {"click raises Click", Nothing, [](Rig& r) { r.core.Click(); }, {"event Click"}},
      {"access key raises Click",
       Nothing,
       [](Rig& r) { r.core.AccessKeyPressed(); },
       {"event Click"}},
      {"Enter and Space only raise the key events",
       Nothing,
       [](Rig& r) {
         for (std::int16_t key : {std::int16_t{13}, std::int16_t{32}}) {
           r.core.KeyDown(key, 0);
           r.core.KeyPress(key);
           r.core.KeyUp(key, 1);
         }
       },
       {"event KeyDown 13 0", "event KeyPress 13", "event KeyUp 13 1", "event KeyDown 32 0",
        "event KeyPress 32", "event KeyUp 32 1"}},
      {"focused with HasFocus: the frame follows the cell",
       [](Rig& r) {
         r.core.GotFocus();
         r.core.SetHasFocus(true);
       },
       [](Rig& r) { r.core.MouseMove(0, 0, 5, 6); },
       {"timer start", "event MouseMove 0 0 5 6", "cell 3", "focus 4,4,27,17"}},
      {"no focus frame on cell 2",
       [](Rig& r) {
         r.core.GotFocus();
         r.core.SetHasFocus(true);
         r.core.SetEnabled(false);
       },
       [](Rig& r) { r.core.Show(); },
       {"cell 2"}},
      {"no focus frame without HasFocus",
       [](Rig& r) { r.core.GotFocus(); },
       [](Rig& r) { r.core.Show(); },
       {"cell 0"}},
      {"release gives the focus flag: frame drawn with HasFocus",
       [](Rig& r) { r.core.SetHasFocus(true); },
       [](Rig& r) { r.core.MouseUp(1, 0, 1, 1); },
       {"cell 3", "focus 4,4,27,17", "event MouseUp 1 0 1 1"}},
      {"focus exit clears the focus flag: no frame on cell 0",
       [](Rig& r) {
         r.core.SetHasFocus(true);
         r.core.GotFocus();
       },
       [](Rig& r) { r.core.LostFocus(); },
       {"cell 0", "refresh"}},
  };
  return rows;
}

TEST(UC04Transitions, EveryRowDrawsAndRaisesInOrder) {
  for (const Transition& t : Transitions()) {
    SCOPED_TRACE(t.name);
    Rig rig;
    t.prepare(rig);
    rig.rec.ops.clear();
    t.act(rig);
    EXPECT_EQ(rig.rec.Story(), t.story);
  }
}

TEST(UC04Transitions, HoverFlagFollowsMovesAndTicks) {
  Rig rig;
  EXPECT_FALSE(rig.core.Hovering());
  rig.core.MouseMove(0, 0, 5, 5);
  EXPECT_TRUE(rig.core.Hovering());
  rig.rec.pointerOver = true;
  rig.core.TimerTick();
  EXPECT_TRUE(rig.core.Hovering());
  rig.rec.pointerOver = false;
  rig.core.TimerTick();
  EXPECT_FALSE(rig.core.Hovering());
  // Re-entering draws the hover look again.
  rig.rec.ops.clear();
  rig.core.MouseMove(0, 0, 5, 5);
  EXPECT_EQ(rig.rec.Story(), (Story{"timer start", "event MouseMove 0 0 5 5", "cell 3"}));
}

TEST(UC04Transitions, DragOffTheControlThenReleaseOutside) {
  Rig rig;
  rig.rec.pointerOver = true;
  rig.core.MouseMove(0, 0, 10, 10);
  rig.core.MouseDown(1, 0, 10, 10);
  rig.rec.ops.clear();
  // Under capture the moves outside arrive, re-arm TM01 and raise nothing.
  rig.rec.pointerOver = false;
  rig.core.MouseMove(1, 0, 40, 10);
  rig.core.MouseMove(1, 0, 60, 10);
  EXPECT_EQ(rig.rec.Story(), (Story{"timer start", "timer start"}));
  // Cell 1 stays until the tick.
  rig.rec.ops.clear();
  rig.core.TimerTick();
  EXPECT_EQ(rig.rec.Story(), (Story{"timer stop", "cell 0", "event MouseOut"}));
  rig.rec.ops.clear();
  rig.core.MouseUp(1, 0, 60, 10);
  EXPECT_EQ(rig.rec.Story(), (Story{"cell 3", "event MouseUp 1 0 60 10"}));
  EXPECT_TRUE(rig.core.Focused());
}

TEST(UC04State, OneThenTwoThenZero) {
  Rig rig;
  struct Step {
    std::int32_t state;
    std::int16_t restCell;
  };
  for (const Step& s : std::vector<Step>{{1, 4}, {2, 4}, {0, 0}, {2, 0}, {-1, 0}, {1, 4}}) {
    SCOPED_TRACE(s.state);
    rig.rec.ops.clear();
    rig.core.SetState(s.state);
    EXPECT_EQ(rig.core.RestCell(), s.restCell);
    EXPECT_EQ(rig.rec.Story(), (Story{"notify State", "cell " + std::to_string(s.restCell)}));
  }
}

TEST(UC04State, FocusExitDrawsZeroThenUpdateLookRestores) {
  Rig rig;
  rig.core.SetState(1);
  rig.core.LostFocus();
  rig.rec.ops.clear();
  rig.core.Show();
  EXPECT_EQ(rig.rec.Story(), Story{"cell 4"});
  rig.core.SetEnabled(false);
  rig.core.LostFocus();
  rig.rec.ops.clear();
  rig.core.Show();
  EXPECT_EQ(rig.rec.Story(), Story{"cell 2"});
}

TEST(UC04Properties, InitialisationAppliesDefaultsThroughTheSetters) {
  Recorder rec;
  UC04Core core(rec, rec, rec.events);
  core.Initialize();
  EXPECT_EQ(rec.ops, (Story{"pixels", "timer start"}));
  rec.ops.clear();
  core.InitProperties();
  // No picture yet: each draw is four corner pixels and the caption.
  EXPECT_EQ(rec.Story(), (Story{"enable 1", "notify Enabled", "forecolor 000000", "notify Caption",
                                "key none", "font Ambient", "notify Font", "forecolor 000000",
                                "notify ForeColor", "backcolor 999999", "notify BackColor",
                                "notify PColor", "notify State", "notify HasFocus"}));
  EXPECT_EQ(core.Caption(), L"Cmd_Test");
  EXPECT_TRUE(core.Enabled());
  EXPECT_EQ(core.ForeColor(), 0u);
  EXPECT_EQ(core.BackColor(), 0x999999u);
  EXPECT_EQ(core.PColor(), 0xFFFFFFu);
  EXPECT_EQ(core.State(), 0);
  EXPECT_FALSE(core.HasFocus());
  EXPECT_EQ(core.Font(), rec.ambientFont);
  EXPECT_FALSE(core.BtnPic());
  // Nine draws: one per setter and the final UpdateLook; the last shows white corners
  // and the instance name.
  std::size_t captions = 0;
  for (const auto& op : rec.ops) captions += op.rfind("text 'Cmd_Test'", 0) == 0;
  EXPECT_EQ(captions, 8u);  // the Enabled draw came before the caption was set
  const Story tail(rec.ops.end() - 5, rec.ops.end());
  EXPECT_EQ(tail, (Story{"pixel 0,0 ffffff", "pixel 30,0 ffffff", "pixel 30,20 ffffff",
                         "pixel 0,20 ffffff", "text 'Cmd_Test' at -12.5,4.5"}));
}

TEST(UC04Properties, SettersStoreNotifyThenRedraw) {
  struct Row {
    const char* name;
    std::function<void(UC04Core&)> set;
    Story story;
  };
  const std::vector<Row> rows = {
      {"Enabled false overrides the text colour",
       [](UC04Core& c) { c.SetEnabled(false); },
       {"enable 0", "notify Enabled", "forecolor 92a1a1", "cell 2"}},
      {"Enabled true makes the text black",
       [](UC04Core& c) { c.SetEnabled(true); },
       {"enable 1", "notify Enabled", "forecolor 000000", "cell 0"}},
      {"Caption updates the access key before drawing",
       [](UC04Core& c) { c.SetCaption(L"&OK"); },
       {"notify Caption", "key none", "key O", "cell 0"}},
      {"ForeColor",
       [](UC04Core& c) { c.SetForeColor(0x123456); },
       {"forecolor 123456", "notify ForeColor", "cell 0"}},
      {"BackColor does not clear",
       [](UC04Core& c) { c.SetBackColor(0x0000FF); },
       {"backcolor 0000ff", "notify BackColor", "cell 0"}},
      {"PColor", [](UC04Core& c) { c.SetPColor(0x00FF00); }, {"notify PColor", "cell 0"}},
      {"State", [](UC04Core& c) { c.SetState(1); }, {"notify State", "cell 4"}},
      {"HasFocus", [](UC04Core& c) { c.SetHasFocus(true); }, {"notify HasFocus", "cell 0"}},
      {"Font is shared, not copied",
       [](UC04Core& c) {
         c.SetFont(std::make_shared<FontSpec>(FontSpec{L"Other", 9}));
       },
       {"font Other", "notify Font", "cell 0"}},
      {"BtnPic",
       [](UC04Core& c) { c.SetBtnPic(std::make_shared<TestPicture>(8)); },
       {"notify BtnPic", "cell 0"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    row.set(rig.core);
    EXPECT_EQ(rig.rec.Story(), row.story);
  }
}

TEST(UC04Properties, EnabledOverwritesAnEarlierForeColor) {
  Rig rig;
  rig.core.SetForeColor(0x0000FF);
  rig.core.SetEnabled(true);
  EXPECT_EQ(rig.core.ForeColor(), 0u);
  rig.core.SetForeColor(0x0000FF);
  rig.core.SetEnabled(false);
  EXPECT_EQ(rig.core.ForeColor(), kDisabledTextColor);
}

TEST(UC04Properties, BtnPicIsSharedWithImg) {
  Rig rig;
  auto other = std::make_shared<TestPicture>(9);
  rig.core.SetBtnPic(other);
  EXPECT_EQ(rig.core.BtnPic(), other);
  EXPECT_EQ(rig.core.Img(), other);
  rig.rec.ops.clear();
  rig.core.Show();
  EXPECT_NE(rig.rec.ops.front().find("pic 9"), std::string::npos);
}

TEST(UC04Properties, CaptionAccessKeysReachTheHost) {
  struct Row {
    const wchar_t* caption;
    wchar_t key;
  };
  for (const Row& r : std::vector<Row>{
           {L"&OK", L'O'}, {L"a&&b&c", L'C'}, {L"Save&", 0}, {L"&1", 0}, {L"&&", 0}, {L"X", 0}}) {
    Rig rig;
    rig.rec.accessKey = L'Z';
    rig.core.SetCaption(r.caption);
    EXPECT_EQ(rig.rec.accessKey, r.key) << ToUtf8(r.caption);
  }
}

TEST(UC04Persistence, ReadsTheNineNamesInOrderFromAnEmptyStore) {
  Recorder rec;
  UC04Core core(rec, rec, rec.events);
  core.Initialize();
  MemoryPropertyBag bag;
  rec.ops.clear();
  core.ReadProperties(bag);
  Story notified;
  for (const auto& op : rec.ops)
    if (op.rfind("notify ", 0) == 0) notified.push_back(op.substr(7));
  EXPECT_EQ(notified, (Story{"Enabled", "Caption", "ForeColor", "BackColor", "PColor", "State",
                             "HasFocus", "Font", "BtnPic"}));
  EXPECT_EQ(core.Caption(), L"Cmd_Test");
  EXPECT_EQ(core.BackColor(), 0x999999u);
  EXPECT_EQ(core.PColor(), 0xFFFFFFu);
  EXPECT_EQ(core.Font(), rec.ambientFont);
}

TEST(UC04Persistence, StoredValuesGoThroughTheSetters) {
  Recorder rec;
  UC04Core core(rec, rec, rec.events);
  core.Initialize();
  MemoryPropertyBag bag;
  auto font =
      std::make_shared<FontSpec>(FontSpec{L"\u5b8b\u4f53", 9, 400, false, false, false, 134});
  auto picture = std::make_shared<TestPicture>(3);
  bag.Set(L"Caption", std::wstring(L"&Go"));
  bag.Set(L"ForeColor", Color{0x0000FF});
  bag.Set(L"State", std::int32_t{1});
  bag.Set(L"Font", FontRef(font));
  bag.Set(L"BtnPic", FacePictureRef(picture));
  core.ReadProperties(bag);
  EXPECT_EQ(core.Caption(), L"&Go");
  EXPECT_EQ(rec.accessKey, L'G');
  // Enabled was applied first, so the stored ForeColor wins.
  EXPECT_EQ(core.ForeColor(), 0x0000FFu);
  EXPECT_EQ(core.State(), 1);
  EXPECT_EQ(core.RestCell(), 4);
  EXPECT_EQ(core.Font(), font);
  EXPECT_EQ(core.BtnPic(), picture);
}

TEST(UC04Persistence, WrongTypeEndsTheLoadAtThatName) {
  Recorder rec;
  UC04Core core(rec, rec, rec.events);
  MemoryPropertyBag bag;
  bag.Set(L"Caption", std::wstring(L"Kept"));
  bag.Set(L"PColor", std::wstring(L"not a colour"));
  bag.Set(L"State", std::int32_t{1});
  EXPECT_THROW(core.ReadProperties(bag), RuntimeError);
  EXPECT_EQ(core.Caption(), L"Kept");
  EXPECT_EQ(core.State(), 0);
}

// Invariant: what is written reads back to the same properties.
TEST(UC04Persistence, WriteThenReadRoundTrips) {
  Rig source;
  source.core.SetCaption(L"a&&b&c");
  source.core.SetEnabled(false);
  source.core.SetForeColor(0x010203);
  source.core.SetBackColor(0x040506);
  source.core.SetPColor(0x070809);
  source.core.SetState(7);
  source.core.SetHasFocus(true);
  MemoryPropertyBag bag;
  source.core.WriteProperties(bag);
  Rig target;
  target.rec.ambientFont = source.rec.ambientFont;
  target.core.ReadProperties(bag);
  EXPECT_EQ(target.core.Caption(), L"a&&b&c");
  EXPECT_FALSE(target.core.Enabled());
  EXPECT_EQ(target.core.ForeColor(), 0x010203u);
  EXPECT_EQ(target.core.BackColor(), 0x040506u);
  EXPECT_EQ(target.core.PColor(), 0x070809u);
  EXPECT_EQ(target.core.State(), 7);
  EXPECT_TRUE(target.core.HasFocus());
  EXPECT_EQ(target.core.BtnPic(), source.picture);
  // Defaults are not kept in the store.
  EXPECT_FALSE(bag.Has(L"Font"));
  EXPECT_TRUE(bag.Has(L"Caption"));
}

}  // namespace
}  // namespace notify::button::test

namespace notify::button::test {
namespace {

// Everything DrawCell sends to the surface, for one cell on a w x h control.
Story DrawOps(float w, float h, std::int16_t cell, const std::wstring& caption, bool focus) {
  Rig rig;
  rig.rec.width = w;
  rig.rec.height = h;
  rig.core.SetCaption(caption);
  rig.core.SetPColor(0x00FF00);
  if (focus) {
    rig.core.SetHasFocus(true);
    rig.core.GotFocus();
  }
  rig.rec.ops.clear();
  rig.core.DrawCell(cell);
  return rig.rec.ops;
}

TEST(UC04DrawCell, NinePiecesCornersCaptionFrameInOrder) {
  EXPECT_EQ(DrawOps(31, 21, 3, L"OK", true),
            (Story{"paint 57,0,4,4 -> 0,0,4,4 pic 7", "paint 72,0,4,4 -> 27,0,4,4 pic 7",
                   "paint 72,19,4,4 -> 27,17,4,4 pic 7", "paint 57,19,4,4 -> 0,17,4,4 pic 7",
                   "paint 61,0,11,4 -> 4,0,23,4 pic 7", "paint 72,4,4,15 -> 27,4,4,13 pic 7",
                   "paint 61,19,11,4 -> 4,17,23,4 pic 7", "paint 57,4,4,15 -> 0,4,4,13 pic 7",
                   "paint 61,4,11,15 -> 4,4,23,13 pic 7", "pixel 0,0 00ff00", "pixel 30,0 00ff00",
                   "pixel 30,20 00ff00", "pixel 0,20 00ff00", "text 'OK' at 8.5,4.5",
                   "focus 4,4,27,17"}));
}

TEST(UC04DrawCell, NineByNineStillSetsTheCorners) {
  const Story ops = DrawOps(9, 9, 0, L"", false);
  ASSERT_EQ(ops.size(), 9u + 4u + 1u);
  EXPECT_EQ(ops[8], "paint 4,4,11,15 -> 4,4,1,1 pic 7");
  EXPECT_EQ(Story(ops.begin() + 9, ops.end()),
            (Story{"pixel 0,0 00ff00", "pixel 8,0 00ff00", "pixel 8,8 00ff00", "pixel 0,8 00ff00",
                   "text '' at 4.5,-1.5"}));
}

TEST(UC04DrawCell, EightPixelsOrLessDrawsNothing) {
  struct Row {
    float w, h;
  };
  for (const Row& r : std::vector<Row>{{8, 21}, {31, 8}, {8, 8}, {2, 40}, {0, 0}}) {
    EXPECT_EQ(DrawOps(r.w, r.h, 0, L"Caption", true), Story{}) << r.w << "x" << r.h;
  }
}

TEST(UC04DrawCell, WithoutPictureOnlyCornersAndCaption) {
  Rig rig;
  rig.core.SetBtnPic(nullptr);
  rig.rec.ops.clear();
  rig.core.DrawCell(1);
  EXPECT_EQ(rig.rec.ops, (Story{"pixel 0,0 ffffff", "pixel 30,0 ffffff", "pixel 30,20 ffffff",
                                "pixel 0,20 ffffff", "text 'Cmd_Test' at -12.5,4.5"}));
}

TEST(UC04DrawCell, CaptionPositionIsSinglePrecisionAndUnchanged) {
  struct Row {
    float w, h;
    const wchar_t* caption;
    const char* text;
  };
  for (const Row& r : std::vector<Row>{
           {31, 21, L"X", "text 'X' at 12,4.5"},
           {77, 27, L"a&&b", "text 'a&&b' at 24.5,7.5"},                   // ampersands kept
           {31, 21, L"Much too wide", "text 'Much too wide' at -30,4.5"},  // starts left of 0
           {30.5f, 20, L"ab", "text 'ab' at 8.25,4"}}) {
    const Story ops = DrawOps(r.w, r.h, 0, r.caption, false);
    EXPECT_EQ(ops.back(), r.text);
  }
}

TEST(UC04DrawCell, BottomCornerRowIsRoundedToSixteenBits) {
  // H - 1 = 19.5 rounds to 20 (even), W - 1 stays 30.5.
  const Story ops = DrawOps(31.5f, 20.5f, 0, L"", false);
  EXPECT_EQ(ops[10], "pixel 30.5,0 00ff00");
  EXPECT_EQ(ops[11], "pixel 30.5,20 00ff00");
  EXPECT_EQ(ops[12], "pixel 0,20 00ff00");
}

TEST(UC04DrawCell, FocusFrameOnEveryCellButTwo) {
  for (std::int16_t cell = 0; cell <= 4; ++cell) {
    const Story ops = DrawOps(31, 21, cell, L"", true);
    EXPECT_EQ(ops.back() == "focus 4,4,27,17", cell != 2) << "cell " << cell;
  }
}

}  // namespace
}  // namespace notify::button::test

namespace notify::button::test {
namespace {

// The form's Click handler may tear down what raised it; the running handler must survive
// its own destruction (ASan would report the closure being read after it was freed).
TEST(UC04Events, ClickHandlerMayDestroyTheEventsItCameFrom) {
  Recorder rec;
  auto events = std::make_unique<UC04Events>();
  UC04Core core(rec, rec, *events);
  int clicks = 0;
  int* counter = &clicks;
  events->Click = [&events, counter] {
    events.reset();
    ++*counter;
  };
  core.Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(events);
}

}  // namespace
}  // namespace notify::button::test
